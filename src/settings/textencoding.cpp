#include "settings/textencoding.h"

#include <QStringDecoder>
#include <array>

namespace {

constexpr QByteArrayView Utf16LittleEndianBom("\xFF\xFE");
constexpr QByteArrayView Utf16BigEndianBom("\xFE\xFF");
constexpr QByteArrayView Utf32LittleEndianBom("\xFF\xFE\x00\x00", 4);
constexpr QByteArrayView Utf32BigEndianBom("\x00\x00\xFE\xFF", 4);
constexpr qsizetype Utf16UnitSize = 2;
constexpr int BitsPerByte = 8;
constexpr uint ByteMask = 0xFF;
constexpr uchar FirstNonAscii = 0x80;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it
// leaves undefined map to the control character of the same number, as the
// platform of origin maps them.
constexpr uchar Windows1252TableStart = 0x80;
constexpr std::array<char16_t, 32> Windows1252Table = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Where the low byte of a code unit stands.
qsizetype lowByteIndex(TextEncoding::Utf16Order order)
{
    return order == TextEncoding::Utf16Order::LittleEndian ? 0 : 1;
}

} // namespace

bool TextEncoding::isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= FirstNonAscii)
            return false;
    }
    return true;
}

bool TextEncoding::isValidUtf8(QByteArrayView bytes)
{
    constexpr uchar ContinuationMask = 0xC0;
    constexpr uchar ContinuationBits = 0x80;
    constexpr uint SurrogateFirst = 0xD800;
    constexpr uint SurrogateLast = 0xDFFF;
    constexpr uint LastCodePoint = 0x10FFFF;
    struct Lead
    {
        uchar mask;
        uchar bits;
        qsizetype length;
        uint smallest;
    };
    constexpr std::array<Lead, 3> Leads = {{
        {0xE0, 0xC0, 2, 0x80},
        {0xF0, 0xE0, 3, 0x800},
        {0xF8, 0xF0, 4, 0x10000},
    }};

    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar first = uchar(bytes[i]);
        if (first < FirstNonAscii) {
            ++i;
            continue;
        }
        const Lead *lead = nullptr;
        for (const Lead &candidate : Leads) {
            if ((first & candidate.mask) == candidate.bits)
                lead = &candidate;
        }
        if (!lead || bytes.size() - i < lead->length)
            return false;
        uint codePoint = first & uchar(~lead->mask);
        for (qsizetype k = 1; k < lead->length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            if ((next & ContinuationMask) != ContinuationBits)
                return false;
            codePoint = (codePoint << 6) | (next & uchar(~ContinuationMask));
        }
        if (codePoint < lead->smallest || codePoint > LastCodePoint
            || (codePoint >= SurrogateFirst && codePoint <= SurrogateLast))
            return false;
        i += lead->length;
    }
    return true;
}

QString TextEncoding::decoded(QByteArrayView bytes)
{
    if (isValidUtf8(bytes)) {
        // A byte-order mark inside the file is text like any other.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(bytes);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const uchar byte = uchar(c);
        const qsizetype index = qsizetype(byte) - Windows1252TableStart;
        *out++ = (index >= 0 && index < qsizetype(Windows1252Table.size()))
            ? QChar(Windows1252Table[size_t(index)])
            : QChar(char16_t(byte));
    }
    return text;
}

bool TextEncoding::startsAsUtf32(QByteArrayView content)
{
    return content.startsWith(Utf32LittleEndianBom) || content.startsWith(Utf32BigEndianBom);
}

TextEncoding::Utf16Order TextEncoding::utf16OrderOf(QByteArrayView content)
{
    if (content.startsWith(Utf16LittleEndianBom))
        return Utf16Order::LittleEndian;
    if (content.startsWith(Utf16BigEndianBom))
        return Utf16Order::BigEndian;
    return Utf16Order::None;
}

TextEncoding::Utf16Text TextEncoding::fromUtf16(QByteArrayView content, Utf16Order order)
{
    const qsizetype units = content.size() / Utf16UnitSize;
    const qsizetype low = lowByteIndex(order);
    Utf16Text result;
    result.valid = content.size() % Utf16UnitSize == 0;
    result.text.reserve(units);
    auto unitAt = [&](qsizetype i) {
        const char *unit = content.data() + i * Utf16UnitSize;
        return char16_t((uint(uchar(unit[1 - low])) << BitsPerByte) | uchar(unit[low]));
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (QChar::isHighSurrogate(unit) && i + 1 < units && QChar::isLowSurrogate(unitAt(i + 1))) {
            result.text += QChar(unit);
            result.text += QChar(unitAt(++i));
        } else if (QChar::isSurrogate(unit)) {
            result.text += QChar(QChar::ReplacementCharacter);
            result.valid = false;
        } else {
            result.text += QChar(unit);
        }
    }
    return result;
}

QByteArray TextEncoding::toUtf16(const QString &text, Utf16Order order)
{
    const qsizetype low = lowByteIndex(order);
    QByteArray bytes(text.size() * Utf16UnitSize, Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text) {
        const uint unit = c.unicode();
        out[low] = char(unit & ByteMask);
        out[1 - low] = char(unit >> BitsPerByte);
        out += Utf16UnitSize;
    }
    return bytes;
}
