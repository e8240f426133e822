#include "lamps/levelstore.h"

#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

constexpr char LampPrefix = 'L';
constexpr char Separator = '=';
constexpr int MaxDigits = 3;
constexpr int DecimalBase = 10;
const QByteArray BlackoutOff("Blackout=0");
const QByteArray BlackoutOn("Blackout=1");

// A plain decimal number of one to three digits, no sign and no blanks; -1 otherwise.
int decimal(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > MaxDigits)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * DecimalBase + (c - '0');
    }
    return value;
}

} // namespace

LevelStore::LevelStore(QString path) : m_path(std::move(path)) { }

QByteArray LevelStore::format(const State &state)
{
    QByteArray text = QByteArray(Header) + '\n';
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        text += LampPrefix + QByteArray::number(lamp) + Separator
            + QByteArray::number(state.levels.at(lamp)) + '\n';
    return text + (state.blackout ? BlackoutOn : BlackoutOff) + '\n';
}

std::optional<LevelStore::State> LevelStore::parse(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    // The last line's end leaves an empty piece behind.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    State state;
    if (!lines.isEmpty() && lines.first() == Header && lines.size() == 2 + LampCommand::MaxLamps) {
        const QByteArray blackout = lines.takeLast();
        if (blackout != BlackoutOn && blackout != BlackoutOff)
            return std::nullopt;
        state.blackout = blackout == BlackoutOn;
    } else if (lines.isEmpty() || lines.first() != FirstHeader) {
        return std::nullopt;
    }
    if (lines.size() != 1 + LampCommand::MaxLamps)
        return std::nullopt;

    Levels &levels = state.levels;
    std::array<bool, LampCommand::MaxLamps> seen {};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype separator = line.indexOf(Separator);
        if (!line.startsWith(LampPrefix) || separator < 0)
            return std::nullopt;
        const int lamp = decimal(line.mid(1, separator - 1));
        const int level = decimal(line.mid(separator + 1));
        if (lamp < 0 || lamp >= LampCommand::MaxLamps || level < 0 || level > LampCommand::MaxLevel
            || seen.at(lamp))
            return std::nullopt;
        seen.at(lamp) = true;
        levels.at(lamp) = level;
    }
    // Sixteen lines without a lamp twice name every lamp once.
    return state;
}

std::optional<LevelStore::State> LevelStore::read() const
{
    QFile file(m_path);
    if (m_path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return std::nullopt;
    return parse(file.read(MaxFileSize + 1));
}

bool LevelStore::write(const State &state) const
{
    if (m_path.isEmpty())
        return false;
    const QString folder = QFileInfo(m_path).path();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return false;
    return AtomicFile::replace(m_path, format(state));
}
