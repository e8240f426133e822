// The settings reader and writer on arbitrary bytes. The input is
//   [key length] [value length] key bytes, value bytes, file content.
// Checked: no crash and no undefined behaviour; a read gives at most 254
// characters; a write of a storable key reads back as the value cut at its
// first line break and to 254 characters, leaves every other line in place and
// every other key reading as before. Content with a UTF-16 byte-order mark is
// written back as strictly valid UTF-16 with the same mark, or not at all when
// it was not valid UTF-16 to begin with.
#include "settings/initext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr QByteArrayView Bom("\xEF\xBB\xBF");
constexpr QByteArrayView Utf16LittleEndianBom("\xFF\xFE");
constexpr QByteArrayView Utf16BigEndianBom("\xFE\xFF");
constexpr QByteArrayView Utf32LittleEndianBom("\xFF\xFE\x00\x00", 4);
constexpr QByteArrayView Utf32BigEndianBom("\x00\x00\xFE\xFF", 4);
const QString OtherKeys[]
    = {QStringLiteral("LampCount"), QStringLiteral("Group1"), QStringLiteral("Code1")};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Line texts without their breaks, the byte-order mark left out.
QList<QByteArray> linesOf(QByteArray content)
{
    if (content.startsWith(Bom))
        content.remove(0, Bom.size());
    QList<QByteArray> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] != '\r' && content[i] != '\n')
            continue;
        lines.append(content.mid(begin, i - begin));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < content.size())
        lines.append(content.mid(begin));
    return lines;
}

QString readBack(const QString &value)
{
    QString text = value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) {
            text.truncate(i);
            break;
        }
    }
    if (text.size() > IniText::MaxValueLength) {
        text.truncate(IniText::MaxValueLength);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

struct Utf16
{
    bool isUtf16 = false;
    bool valid = false;
    // The text as UTF-8 with a byte-order mark: lines compare like any other file's.
    QByteArray asUtf8;
};

// Strict: an even byte count and every surrogate paired.
Utf16 utf16Of(const QByteArray &content)
{
    const bool little = content.startsWith(Utf16LittleEndianBom);
    if (!little && !content.startsWith(Utf16BigEndianBom))
        return {};
    QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(content);
    bool valid = content.size() % 2 == 0 && !decoder.hasError();
    for (qsizetype i = 0; valid && i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            valid = false;
    }
    return {true, valid, valid ? text.toUtf8() : QByteArray()};
}

bool sameKey(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The lines after a write are the lines before with one line changed, one line
// inserted, or a section header and a key line appended.
bool otherLinesKept(const QList<QByteArray> &before, const QList<QByteArray> &after)
{
    if (after.size() == before.size()) {
        qsizetype changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i)
            changed += before[i] != after[i] ? 1 : 0;
        return changed <= 1;
    }
    if (after.size() == before.size() + 1) {
        for (qsizetype skip = 0; skip < after.size(); ++skip) {
            QList<QByteArray> rest = after;
            rest.removeAt(skip);
            if (rest == before)
                return true;
        }
        return false;
    }
    if (after.size() == before.size() + 2)
        return after.first(before.size()) == before;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t HeaderSize = 2;
    constexpr int KeyLengthModulus = 24;
    if (size < HeaderSize)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data);
    const size_t keyLength = qMin(size_t(data[0] % KeyLengthModulus), size - HeaderSize);
    const size_t valueLength = qMin(size_t(data[1]) * 2, size - HeaderSize - keyLength);
    const QString key = QString::fromLatin1(bytes + HeaderSize, qsizetype(keyLength));
    const QString value = QString::fromUtf8(bytes + HeaderSize + keyLength, qsizetype(valueLength));
    const size_t contentStart = HeaderSize + keyLength + valueLength;
    const QByteArray content(bytes + contentStart, qsizetype(size - contentStart));

    const QString before = IniText::readFrom(content, key);
    check(before.size() <= IniText::MaxValueLength);

    const QByteArray written = IniText::writeTo(content, key, value);
    if (!IniText::isStorableKey(key)) {
        check(written == content);
        check(before.isEmpty());
        return 0;
    }
    if (content.startsWith(Utf32LittleEndianBom) || content.startsWith(Utf32BigEndianBom)) {
        // A UTF-32 file is never written.
        check(written == content);
        return 0;
    }
    const Utf16 before16 = utf16Of(content);
    if (before16.isUtf16) {
        if (!before16.valid) {
            // Never a file of mixed encodings: nothing is written.
            check(written == content);
            return 0;
        }
        const Utf16 after16 = utf16Of(written);
        check(after16.valid);
        check(written.first(Utf16LittleEndianBom.size())
              == content.first(Utf16LittleEndianBom.size()));
        check(otherLinesKept(linesOf(before16.asUtf8), linesOf(after16.asUtf8)));
    } else {
        check(written.startsWith(Bom) == content.startsWith(Bom));
        check(otherLinesKept(linesOf(content), linesOf(written)));
    }
    check(IniText::readFrom(written, key) == readBack(value));
    for (const QString &other : OtherKeys) {
        if (!sameKey(other, key))
            check(IniText::readFrom(written, other) == IniText::readFrom(content, other));
    }
    return 0;
}
