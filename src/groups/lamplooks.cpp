#include "groups/lamplooks.h"

#include "groups/groupdialogs.h"
#include "groups/lampgroups.h"
#include "lamps/deskmodel.h"
#include "platform/logging.h"
#include "settings/settingsstore.h"

#include <algorithm>

namespace {

constexpr QChar CarriageReturn = QLatin1Char('\r');
constexpr QChar LevelSeparator = QLatin1Char(',');
constexpr int MaxDigits = 3;

QString lookKey(int n)
{
    return QStringLiteral("Look") + QString::number(n);
}

QString levelsKey(int n)
{
    return QStringLiteral("LookLevels") + QString::number(n);
}

} // namespace

QString LampLooks::namePrompt()
{
    return QStringLiteral("Enter name of the look you want to store:") + CarriageReturn
        + QStringLiteral("(must be at least 1 character)");
}

QString LampLooks::replaceQuestion(const QString &name)
{
    return QStringLiteral("A look named '") + name + QStringLiteral("' exists.") + CarriageReturn
        + QStringLiteral("Do you want to replace it?");
}

QString LampLooks::removeQuestion(const QString &name)
{
    return QStringLiteral("Are you sure you want to remove") + CarriageReturn
        + QStringLiteral("the look '") + name + QStringLiteral("'?");
}

QString LampLooks::levelsText(const LookFader::Levels &levels)
{
    QStringList parts;
    for (const int level : levels)
        parts.append(QString::number(level));
    return parts.join(LevelSeparator);
}

std::optional<LookFader::Levels> LampLooks::levelsFromText(const QString &text)
{
    const QStringList parts = text.split(LevelSeparator);
    if (parts.size() != DeskModel::MaxLamps)
        return std::nullopt;
    LookFader::Levels levels {};
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp) {
        // Plain digits only: the number rule would read "abc" as 0, a level nobody wrote.
        const QString part = parts.at(lamp).trimmed();
        bool ok = false;
        const int level = part.toInt(&ok);
        const bool digits = std::all_of(part.cbegin(), part.cend(),
                                        [](QChar c) { return c.isDigit() && c.unicode() < 128; });
        if (!ok || !digits || part.size() > MaxDigits || level > DeskModel::MaxLevel)
            return std::nullopt;
        levels.at(lamp) = level;
    }
    return levels;
}

LampLooks::LampLooks(DeskModel &desk, LookFader &fader, SettingsStore &settings, QObject *parent)
    : QObject(parent), m_desk(desk), m_fader(fader), m_settings(settings)
{ }

QList<LampLooks::Look> LampLooks::looks() const
{
    QList<Look> result;
    for (const Entry &entry : m_entries) {
        if (!entry.malformed)
            result.append(entry.look);
    }
    return result;
}

QStringList LampLooks::storedNames() const
{
    QStringList names;
    for (const Entry &entry : m_entries)
        names.append(entry.malformed ? QString() : entry.look.name);
    return names;
}

QList<int> LampLooks::listOrder() const
{
    const QList<Look> all = looks();
    QList<int> order;
    for (int i = 0; i < all.size(); ++i)
        order.append(i);
    // Stable: equal names keep their stored order, as equal group names do.
    std::stable_sort(order.begin(), order.end(), [&all](int a, int b) {
        return DeskModel::sortsBefore(all.at(a).name, all.at(b).name);
    });
    return order;
}

int LampLooks::find(const QString &name) const
{
    const QList<Look> all = looks();
    for (int i = 0; i < all.size(); ++i) {
        if (all.at(i).name == name)
            return i;
    }
    return -1;
}

int LampLooks::entryIndex(int index) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).malformed)
            continue;
        if (index-- == 0)
            return i;
    }
    return -1;
}

void LampLooks::store(const QString &typed)
{
    const QString name = LampGroups::oneLineName(typed);
    if (name.isEmpty())
        return;
    Look look {name, {}};
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp)
        look.levels.at(lamp) = m_desk.level(lamp);
    // A replaced look keeps its place, and with it its number over OSC.
    const int entry = entryIndex(find(name));
    if (entry >= 0)
        m_entries[entry].look = look;
    else
        m_entries.append({look, false, {}});
    saveLooks();
    Q_EMIT looksChanged();
}

void LampLooks::remove(int index)
{
    const int entry = entryIndex(index);
    if (index < 0 || entry < 0)
        return;
    m_entries.removeAt(entry);
    saveLooks();
    Q_EMIT looksChanged();
}

bool LampLooks::recall(int index, std::chrono::milliseconds fade)
{
    const int entry = entryIndex(index);
    if (index < 0 || entry < 0)
        return false;
    m_fader.recall(m_entries.at(entry).look.levels, fade);
    return true;
}

void LampLooks::storeAsking(GroupDialogs &dialogs)
{
    const QString name = LampGroups::oneLineName(dialogs.askText(namePrompt()));
    if (name.isEmpty())
        return;
    if (find(name) >= 0 && !dialogs.askYesNo(replaceQuestion(name)))
        return;
    store(name);
}

void LampLooks::removeAsking(int index, GroupDialogs &dialogs)
{
    const QList<Look> all = looks();
    if (index < 0 || index >= all.size())
        return;
    if (dialogs.askYesNo(removeQuestion(all.at(index).name)))
        remove(index);
}

void LampLooks::saveLooks()
{
    // Malformed entries go back as they were read, at their places among the looks,
    // numbered in sequence with the rest: only the operator may drop them, by hand.
    const int count = int(m_entries.size());
    SettingsStore::Entries entries;
    for (int n = 1; n <= count; ++n) {
        const Entry &entry = m_entries.at(n - 1);
        entries.append({lookKey(n), entry.look.name});
        entries.append(
            {levelsKey(n), entry.malformed ? entry.levelsText : levelsText(entry.look.levels)});
    }
    // The empty entry after the last look ends the run when it is read back.
    entries.append({lookKey(count + 1), QString()});
    entries.append({levelsKey(count + 1), QString()});
    m_settings.writeSettings(entries);
}

void LampLooks::loadLooks()
{
    m_entries.clear();
    for (int n = 1;; ++n) {
        const QString name = m_settings.readSetting(lookKey(n));
        if (name.isEmpty())
            break;
        const QString text = m_settings.readSetting(levelsKey(n));
        const std::optional<LookFader::Levels> levels = levelsFromText(text);
        if (!levels)
            qCWarning(lcSettings, "look %d (%s) has no sixteen levels of 0 to 255; skipped", n,
                      qUtf8Printable(name));
        m_entries.append({{name, levels.value_or(LookFader::Levels {})}, !levels, text});
    }
    Q_EMIT looksChanged();
}
