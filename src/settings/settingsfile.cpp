#include "settings/settingsfile.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>
#include <utility>

namespace {

const QLatin1String SectionName("Kelvaris");
constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView Utf16LittleEndianBom("\xFF\xFE");
constexpr QByteArrayView Utf16BigEndianBom("\xFE\xFF");
constexpr qsizetype Utf16UnitSize = 2;
constexpr int BitsPerByte = 8;
constexpr uint ByteMask = 0xFF;
constexpr QByteArrayView NewFileLineBreak("\n");
// Beyond this a chain of symbolic links is taken as a loop.
constexpr int MaxSymlinkDepth = 40;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it
// leaves undefined map to the control character of the same number, as the
// platform of origin maps them.
constexpr uchar Windows1252TableStart = 0x80;
constexpr std::array<char16_t, 32> Windows1252Table = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes)
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
        if (first < 0x80) {
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

QString decoded(QByteArrayView bytes)
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

bool sameName(QByteArrayView bytes, const QString &name)
{
    // ASCII needs no decoding: the common case costs no allocation.
    if (isAscii(bytes))
        return QLatin1String(bytes.data(), bytes.size()).compare(name, Qt::CaseInsensitive) == 0;
    return decoded(bytes).compare(name, Qt::CaseInsensitive) == 0;
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

// CRLF, LF and a lone CR each end a line. A byte-order mark at the start is
// not part of the first line.
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

// The value as it goes into the file: cut at its first line break so that it
// cannot add lines, and quoted when blanks at either end or an outer pair of
// quotes would otherwise be lost on reading.
QByteArray storedValue(const QString &value)
{
    QString text = value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) {
            text.truncate(i);
            break;
        }
    }
    const bool blankAtEnd = !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
    const bool quotedAlready = text.size() >= 2 && text.front() == text.back()
        && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\''));
    if (blankAtEnd || quotedAlready)
        text = QLatin1Char('"') + text + QLatin1Char('"');
    return text.toUtf8();
}

struct FileContent
{
    bool ok = false;
    bool exists = false;
    QByteArray bytes;
};

FileContent loadFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {true, false, {}};
    // Directories, devices and pipes are no settings file; reading them could block.
    if (!info.isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return {true, true, std::move(bytes)};
}

// The file a path finally names, following symbolic links; empty on a loop.
QString linkTarget(const QString &path)
{
    QString current = path;
    for (int depth = 0; depth < MaxSymlinkDepth; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return {};
}

// A temporary file in the same folder, synced, then renamed over the old one:
// the file is always either the old or the new content. On failure the
// temporary file is removed and the old file is untouched.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so that every failed write is seen before the commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    if (file.write(bytes) != bytes.size())
        file.cancelWriting();
    file.commit();
}

} // namespace

namespace {

constexpr QFileDevice::Permissions PrivateFolder
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Creates folder and the missing folders above it, each private to its owner.
bool makeFolders(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makeFolders(parent))
        return false;
    // Another process may have made it meanwhile.
    return QDir().mkdir(folder, PrivateFolder) || QFileInfo(folder).isDir();
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) { }

SettingsFile SettingsFile::copyOnWrite(QString path, QString seed)
{
    SettingsFile file(std::move(path));
    file.m_seed = std::move(seed);
    file.m_copyOnWrite = true;
    return file;
}

QString SettingsFile::readSource() const
{
    if (m_copyOnWrite && (m_path.isEmpty() || !QFileInfo::exists(m_path)))
        return m_seed;
    return m_path;
}

QString SettingsFile::besideExecutable()
{
    // Without an application object there is no executable directory; an
    // empty path reads nothing and writes nowhere rather than the root folder.
    if (!QCoreApplication::instance())
        return {};
    const QString directory = QCoreApplication::applicationDirPath();
    if (directory.isEmpty())
        return {};
    const QString canonical = QDir(directory).canonicalPath();
    return (canonical.isEmpty() ? directory : canonical) + QLatin1Char('/')
        + QLatin1String(FileName);
}

QString SettingsFile::readSetting(const QString &key) const
{
    const QString source = readSource();
    if (source.isEmpty())
        return {};
    const FileContent content = loadFile(source);
    if (!content.ok)
        return {};
    return readFrom(content.bytes, key);
}

void SettingsFile::writeSetting(const QString &key, const QString &value)
{
    writeSettings({{key, value}});
}

void SettingsFile::writeSettings(const Entries &entries)
{
    Entries storable;
    for (const auto &entry : entries) {
        if (isStorableKey(entry.first))
            storable.append(entry);
    }
    if (m_path.isEmpty() || storable.isEmpty())
        return;
    const QString target = linkTarget(m_path);
    if (target.isEmpty())
        return;
    // A file that exists but cannot be read is left alone: writing without its
    // content would throw the rest of it away.
    FileContent before = loadFile(target);
    if (!before.ok)
        return;
    if (m_copyOnWrite && !before.exists) {
        // The new file starts as a copy of the seed, byte for byte.
        if (!m_seed.isEmpty()) {
            const FileContent seed = loadFile(m_seed);
            if (!seed.ok)
                return;
            before.bytes = seed.bytes;
        }
        if (!makeFolders(QFileInfo(target).path()))
            return;
    }
    QByteArray after = before.bytes;
    for (const auto &[key, value] : storable)
        after = writeTo(after, key, value);
    if (before.exists && after == before.bytes)
        return;
    replaceFile(target, after);
}

bool SettingsFile::isStorableKey(const QString &key)
{
    return isStorableName(trimmedBlanks(key));
}

namespace {

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
    QString text = decoded(value);
    if (text.size() > SettingsFile::MaxValueLength) {
        text.truncate(SettingsFile::MaxValueLength);
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

    const QByteArrayView lineBreak = lineBreakOf(content);
    const QByteArray keyText = name.toUtf8() + '=' + stored;

    if (where.sectionFound) {
        const Line after = where.hasKeyLines ? where.lastKeyLine : where.header;
        QByteArray result = content.first(after.next);
        if (after.next == after.end) {
            // The last line of the file, without a break.
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

// A file that starts with a UTF-16 byte-order mark is UTF-16 throughout, as
// Windows editors save "Unicode" files. Its text is handled as UTF-8 with a
// byte-order mark, by the same rules as every other file, and goes back to
// UTF-16 unit for unit, so every line it does not change stays as it was.
enum class Utf16Order { None, LittleEndian, BigEndian };

Utf16Order utf16OrderOf(QByteArrayView content)
{
    if (content.startsWith(Utf16LittleEndianBom))
        return Utf16Order::LittleEndian;
    if (content.startsWith(Utf16BigEndianBom))
        return Utf16Order::BigEndian;
    return Utf16Order::None;
}

// Where the low byte of a code unit stands.
qsizetype lowByteIndex(Utf16Order order)
{
    return order == Utf16Order::LittleEndian ? 0 : 1;
}

struct Utf16Text
{
    QString text;
    // False for an odd byte count or an unpaired surrogate.
    bool valid = true;
};

// The whole content, byte-order mark included as U+FEFF. What cannot be
// decoded becomes U+FFFD, and a last odd byte is left out.
Utf16Text fromUtf16(QByteArrayView content, Utf16Order order)
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

QByteArray toUtf16(const QString &text, Utf16Order order)
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

} // namespace

QString SettingsFile::readFrom(const QByteArray &content, const QString &key)
{
    const Utf16Order order = utf16OrderOf(content);
    if (order == Utf16Order::None)
        return readFromBytes(content, key);
    return readFromBytes(fromUtf16(content, order).text.toUtf8(), key);
}

QByteArray SettingsFile::writeTo(const QByteArray &content, const QString &key,
                                 const QString &value)
{
    const Utf16Order order = utf16OrderOf(content);
    if (order == Utf16Order::None)
        return writeToBytes(content, key, value);
    // A file that cannot be written back in its own encoding is left alone:
    // never a file half UTF-16 and half something else.
    const Utf16Text before = fromUtf16(content, order);
    if (!before.valid)
        return content;
    const QByteArray after = writeToBytes(before.text.toUtf8(), key, value);
    // The byte rules keep valid UTF-8 valid and the mark in front; were that ever
    // not so, the file is left alone rather than written mixed.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(after);
    if (utf8.hasError() || !text.startsWith(QChar(QChar::ByteOrderMark)))
        return content;
    return toUtf16(text, order);
}
