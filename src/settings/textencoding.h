#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The encodings a settings file may come in. Names and values are each UTF-8 when
// they are valid UTF-8 and Windows-1252 otherwise, so files made by hand in either
// keep their names. A file that starts with a UTF-16 byte-order mark (either byte
// order) is UTF-16 throughout, as Windows editors save "Unicode" files.
class TextEncoding final
{
public:
    TextEncoding() = delete;

    enum class Utf16Order { None, LittleEndian, BigEndian };

    struct Utf16Text
    {
        QString text;
        // False for an odd byte count or an unpaired surrogate.
        bool valid = true;
    };

    static bool isAscii(QByteArrayView bytes);
    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
    static bool isValidUtf8(QByteArrayView bytes);
    // UTF-8 when valid, else Windows-1252; a byte-order mark in the bytes is text.
    static QString decoded(QByteArrayView bytes);

    // Whether the content starts with a UTF-32 byte-order mark (either byte order).
    // Such a file is never written: its little-endian mark also starts like UTF-16.
    static bool startsAsUtf32(QByteArrayView content);
    // The byte order a UTF-16 byte-order mark at the start names; None without one.
    static Utf16Order utf16OrderOf(QByteArrayView content);
    // The whole content, byte-order mark included as U+FEFF. What cannot be decoded
    // becomes U+FFFD, and a last odd byte is left out.
    static Utf16Text fromUtf16(QByteArrayView content, Utf16Order order);
    // Unit for unit, so that text read by fromUtf16 goes back byte for byte.
    static QByteArray toUtf16(const QString &text, Utf16Order order);
};
