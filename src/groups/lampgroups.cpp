#include "groups/lampgroups.h"

#include "groups/groupdialogs.h"
#include "lamps/deskmodel.h"
#include "settings/initext.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

constexpr QChar CarriageReturn = QLatin1Char('\r');

QString groupKey(int n)
{
    return QStringLiteral("Group") + QString::number(n);
}

QString codeKey(int n)
{
    return QStringLiteral("Code") + QString::number(n);
}

} // namespace

QString LampGroups::noLampMessage()
{
    return QStringLiteral("Lamp groups must contain at least one selected lamp.") + CarriageReturn
        + QStringLiteral("Use Deselect All if you want to deselect all lamps.");
}

QString LampGroups::namePrompt()
{
    return QStringLiteral("Enter name of the lamp group you want to define:") + CarriageReturn
        + QStringLiteral("(must be at least 1 character)");
}

QString LampGroups::removeQuestion(const QString &name)
{
    return QStringLiteral("Are you sure you want to remove") + CarriageReturn
        + QStringLiteral("the lamp group '") + name + QStringLiteral("'?");
}

QString LampGroups::oneLineName(const QString &typed)
{
    return IniText::firstLine(typed);
}

LampGroups::LampGroups(DeskModel &desk, GroupDialogs &dialogs, SettingsStore &settings)
    : m_desk(desk), m_dialogs(dialogs), m_settings(settings)
{ }

void LampGroups::defineGroup()
{
    // Hidden lamps keep their links, so all sixteen count, not just the shown ones.
    const qint32 code = m_desk.linkedCode();
    if (code < MinCode) {
        m_dialogs.information(noLampMessage());
        return;
    }

    const QString name = oneLineName(m_dialogs.askText(namePrompt()));
    if (name.isEmpty())
        return;

    m_desk.addGroup({name, code});
    saveGroups();
}

void LampGroups::removeGroup(int index)
{
    if (index < 0 || index >= m_desk.groups().size())
        return;
    if (!m_dialogs.askYesNo(removeQuestion(m_desk.groups().at(index).name)))
        return;
    m_desk.removeGroup(index);
    saveGroups();
}

void LampGroups::saveGroups()
{
    const QList<DeskModel::Group> &groups = m_desk.groups();
    const int count = int(groups.size());
    SettingsStore::Entries entries;
    for (int n = 1; n <= count; ++n) {
        entries.append({groupKey(n), groups.at(n - 1).name});
        entries.append({codeKey(n), QString::number(groups.at(n - 1).code)});
    }
    // The empty entry after the last group ends the run when it is read back.
    entries.append({groupKey(count + 1), QString()});
    entries.append({codeKey(count + 1), QString()});
    // One change for the whole run: a crash mid-save must not pair a new name
    // with an old code or cut the list short.
    m_settings.writeSettings(entries);
}

void LampGroups::loadGroups()
{
    for (int n = 1;; ++n) {
        const QString name = m_settings.readSetting(groupKey(n));
        // A code too large for 32 bits gives no value and ends the run like any invalid code.
        const std::optional<qint32> code = NumberText::toInt32(m_settings.readSetting(codeKey(n)));
        if (name.isEmpty() || !code || *code < MinCode)
            return;
        m_desk.addGroup({name, *code});
    }
}
