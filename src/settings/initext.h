#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The INI text of a settings file, section "Kelvaris": finding the section and a key
// in it, reading a value and editing one line, every other byte kept as it was.
//
// CRLF, LF and a lone CR each end a line; a UTF-8 byte-order mark at the start is no
// part of the first line. Only the first "Kelvaris" section counts, and in it the first
// line of a key. Names compare without regard to case, blanks and tabs around them
// ignored; a value loses its blanks and tabs and then one pair of outer quotes. UTF-16
// content (TextEncoding) is read by the same rules and stays UTF-16 when written.
class IniText final
{
public:
    IniText() = delete;

    // At most this many characters of a value come back from a read.
    static constexpr qsizetype MaxValueLength = 254;

    // Whether key, blanks and tabs around it ignored, can be written and read
    // back: not empty, no '=' or line break, not starting with '[' or ';'.
    static bool isStorableKey(const QString &key);

    // The value of key in content, or the empty text.
    static QString readFrom(const QByteArray &content, const QString &key);

    // Whether writeTo can change content at all: not for a file that starts with a
    // UTF-32 byte-order mark, nor for UTF-16 content that is not valid UTF-16.
    static bool isEditable(const QByteArray &content);

    // The content with key set to value, every other line kept byte for byte.
    // The value is cut at its first line break and quoted when it would not
    // read back unchanged. The content comes back unchanged for a key that
    // cannot be stored, and for content that is not editable.
    static QByteArray writeTo(const QByteArray &content, const QString &key, const QString &value);

    // The text up to its first CR or LF: a line break in a stored value would
    // start a new line of the file, and with it a key or section nobody meant.
    static QString firstLine(const QString &text);
};
