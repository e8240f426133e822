#include "settings/initext.h"

#include "settings/textencoding.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace {

const QLatin1String SectionName("Kelvaris");
constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView NewFileLineBreak("\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && isBlank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

QString trimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(QByteArrayView bytes, const QString &name)
{
    // ASCII needs no decoding: the common case costs no allocation.
    if (TextEncoding::isAscii(bytes))
        return QLatin1String(bytes.data(), bytes.size()).compare(name, Qt::CaseInsensitive) == 0;
    return TextEncoding::decoded(bytes).compare(name, Qt::CaseInsensitive) == 0;
}

bool isStorableName(const QString &name)
{
    if (name.isEmpty() || name.front() == QLatin1Char('[') || name.front() == QLatin1Char(';'))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('=') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

// One line: its text in [begin, end), its line break in [end, next).
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

class LineReader
{
public:
    explicit LineReader(QByteArrayView content)
        : m_content(content), m_pos(content.startsWith(Utf8Bom) ? Utf8Bom.size() : 0)
    { }

    bool read(Line &line)
    {
        const qsizetype size = m_content.size();
        if (m_pos >= size)
            return false;
        const char *data = m_content.data();
        qsizetype end = m_pos;
        while (end < size && !isLineBreak(data[end]))
            ++end;
        qsizetype next = end;
        if (next < size)
            next += (data[next] == '\r' && next + 1 < size && data[next + 1] == '\n') ? 2 : 1;
        line = {m_pos, end, next};
        m_pos = next;
        return true;
    }

private:
    QByteArrayView m_content;
    qsizetype m_pos = 0;
};

struct Entry
{
    enum class Kind { Ignored, Section, Key };
    Kind kind = Kind::Ignored;
    QByteArrayView name;
    QByteArrayView value;
    // Where the text after the first '=' starts in the content.
    qsizetype valueStart = 0;
};

Entry parsed(QByteArrayView content, const Line &line)
{
    const QByteArrayView text = content.sliced(line.begin, line.end - line.begin);
    qsizetype first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    if (first == text.size() || text[first] == ';')
        return {};
    if (text[first] == '[') {
        const QByteArrayView rest = text.sliced(first + 1);
        const qsizetype close = rest.indexOf(']');
        return {Entry::Kind::Section, trimmed(close < 0 ? rest : rest.first(close)), {}, 0};
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return {};
    return {Entry::Kind::Key, trimmed(text.first(equals)), trimmed(text.sliced(equals + 1)),
            line.begin + equals + 1};
}

// Where the first "Kelvaris" section is, and the key's line in it.
struct Location
{
    bool sectionFound = false;
    Line header;
    bool hasKeyLines = false;
    Line lastKeyLine;
    bool keyFound = false;
    Line keyLine;
    Entry keyEntry;
};

enum class Scan { UntilKey, WholeSection };

Location located(QByteArrayView content, const QString &key, Scan scan)
{
    Location where;
    LineReader reader(content);
    Line line;
    while (reader.read(line)) {
        const bool inSection = where.sectionFound;
        // Outside the section only headers matter; avoid the full parse there.
        if (!inSection) {
            const QByteArrayView text = trimmed(content.sliced(line.begin, line.end - line.begin));
            if (text.isEmpty() || text.front() != '[')
                continue;
        }
        const Entry entry = parsed(content, line);
        if (entry.kind == Entry::Kind::Section) {
            if (inSection)
                break; // only the first "Kelvaris" section counts
            if (sameName(entry.name, SectionName)) {
                where.sectionFound = true;
                where.header = line;
            }
        } else if (entry.kind == Entry::Kind::Key) {
            where.hasKeyLines = true;
            where.lastKeyLine = line;
            if (!where.keyFound && sameName(entry.name, key)) {
                where.keyFound = true;
                where.keyLine = line;
                where.keyEntry = entry;
                // A reader needs nothing more; a writer needs the last key line.
                if (scan == Scan::UntilKey)
                    break;
            }
        }
    }
    return where;
}

QByteArrayView lineBreakOf(QByteArrayView content)
{
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] == '\n')
            return QByteArrayView("\n");
        if (content[i] == '\r')
            return (i + 1 < content.size() && content[i + 1] == '\n') ? QByteArrayView("\r\n")
                                                                      : QByteArrayView("\r");
    }
    return NewFileLineBreak;
}

// The line break that ends the line before the one starting at lineStart; the
// file's first one when there is no line before.
QByteArrayView lineBreakBefore(QByteArrayView content, qsizetype lineStart)
{
    const qsizetype last = lineStart - 1;
    if (last < 0 || !isLineBreak(content[last]))
        return lineBreakOf(content);
    if (content[last] == '\r')
        return QByteArrayView("\r");
    return (last > 0 && content[last - 1] == '\r') ? QByteArrayView("\r\n") : QByteArrayView("\n");
}

// The value as it goes into the file: one line, and quoted when blanks at either
// end or an outer pair of quotes would otherwise be lost on reading.
QByteArray storedValue(const QString &value)
{
    QString text = IniText::firstLine(value);
    const bool blankAtEnd = !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
    const bool quotedAlready = text.size() >= 2 && text.front() == text.back()
        && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\''));
    if (blankAtEnd || quotedAlready)
        text = QLatin1Char('"') + text + QLatin1Char('"');
    return text.toUtf8();
}

QString readFromBytes(QByteArrayView content, const QString &key)
{
    const QString name = trimmedBlanks(key);
    if (!isStorableName(name))
        return {};
    const Location where = located(content, name, Scan::UntilKey);
    if (!where.keyFound)
        return {};
    QByteArrayView value = where.keyEntry.value;
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    QString text = TextEncoding::decoded(value);
    if (text.size() > IniText::MaxValueLength) {
        text.truncate(IniText::MaxValueLength);
        // Never half a surrogate pair.
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QByteArray writeToBytes(const QByteArray &content, const QString &key, const QString &value)
{
    const QString name = trimmedBlanks(key);
    if (!isStorableName(name))
        return content;
    const Location where = located(content, name, Scan::WholeSection);
    const QByteArray stored = storedValue(value);

    if (where.keyFound) {
        // The key keeps its spelling and place; only the text after '=' changes.
        QByteArray result = content;
        result.replace(where.keyEntry.valueStart, where.keyLine.end - where.keyEntry.valueStart,
                       stored);
        return result;
    }

    const QByteArray keyText = name.toUtf8() + '=' + stored;

    if (where.sectionFound) {
        const Line after = where.hasKeyLines ? where.lastKeyLine : where.header;
        QByteArray result = content.first(after.next);
        if (after.next == after.end) {
            // The last line of the file, without a break: both lines end like the
            // line before them.
            const QByteArrayView lineBreak = lineBreakBefore(content, after.begin);
            result += lineBreak;
            result += keyText;
            result += lineBreak;
        } else {
            // The new line ends like the line before it: in a file of mixed
            // breaks a lone CR put before a following LF would merge with it
            // into one CRLF and swallow the blank line after.
            result += keyText;
            result += QByteArrayView(content).sliced(after.end, after.next - after.end);
        }
        result += QByteArrayView(content).sliced(after.next);
        return result;
    }

    const QByteArrayView lineBreak = lineBreakOf(content);
    const QByteArray keyLine = keyText + lineBreak.toByteArray();
    QByteArray result = content;
    const bool onlyBom = result == Utf8Bom;
    if (!result.isEmpty() && !onlyBom && !isLineBreak(result.back()))
        result += lineBreak;
    result += '[' + QByteArray(SectionName.data(), SectionName.size()) + ']';
    result += lineBreak;
    result += keyLine;
    return result;
}

} // namespace

bool IniText::isStorableKey(const QString &key)
{
    return isStorableName(trimmedBlanks(key));
}

QString IniText::firstLine(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n'))
            return text.left(i);
    }
    return text;
}

// UTF-16 text is handled as UTF-8 with a byte-order mark, by the same rules as
// every other file, and goes back to UTF-16 unit for unit, so every line a write
// does not change stays as it was.
QString IniText::readFrom(const QByteArray &content, const QString &key)
{
    const TextEncoding::Utf16Order order = TextEncoding::utf16OrderOf(content);
    if (order == TextEncoding::Utf16Order::None)
        return readFromBytes(content, key);
    return readFromBytes(TextEncoding::fromUtf16(content, order).text.toUtf8(), key);
}

bool IniText::isEditable(const QByteArray &content)
{
    if (TextEncoding::startsAsUtf32(content))
        return false;
    const TextEncoding::Utf16Order order = TextEncoding::utf16OrderOf(content);
    return order == TextEncoding::Utf16Order::None || TextEncoding::fromUtf16(content, order).valid;
}

QByteArray IniText::writeTo(const QByteArray &content, const QString &key, const QString &value)
{
    // UTF-32 is not kept unit for unit; its little-endian mark also looks like UTF-16.
    if (TextEncoding::startsAsUtf32(content))
        return content;
    const TextEncoding::Utf16Order order = TextEncoding::utf16OrderOf(content);
    if (order == TextEncoding::Utf16Order::None)
        return writeToBytes(content, key, value);
    // A file that cannot be written back in its own encoding is left alone:
    // never a file half UTF-16 and half something else.
    const TextEncoding::Utf16Text before = TextEncoding::fromUtf16(content, order);
    if (!before.valid)
        return content;
    const QByteArray after = writeToBytes(before.text.toUtf8(), key, value);
    // The byte rules keep valid UTF-8 valid and the mark in front; were that ever
    // not so, the file is left alone rather than written mixed.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(after);
    if (utf8.hasError() || !text.startsWith(QChar(QChar::ByteOrderMark)))
        return content;
    return TextEncoding::toUtf16(text, order);
}
