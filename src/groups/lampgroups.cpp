#include "groups/lampgroups.h"

#include "groups/groupcontrols.h"
#include "groups/groupdialogs.h"
#include "groups/grouplist.h"
#include "lamps/lampcommand.h"
#include "settings/initext.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

constexpr int Checked = 1;
constexpr int Unchecked = 0;
constexpr QChar CarriageReturn = QLatin1Char('\r');

QString groupKey(int n)
{
    return QStringLiteral("Group") + QString::number(n);
}

QString codeKey(int n)
{
    return QStringLiteral("Code") + QString::number(n);
}

qint32 lampBit(int lamp)
{
    return qint32(1) << lamp;
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

LampGroups::LampGroups(GroupList &list, GroupControls &controls, GroupDialogs &dialogs,
                       SettingsStore &settings)
    : m_list(list), m_controls(controls), m_dialogs(dialogs), m_settings(settings)
{ }

qint32 LampGroups::checkedLampsCode() const
{
    // Hidden lamps keep their boxes, so all sixteen count, not just the shown ones.
    qint32 code = 0;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if (m_controls.checkboxValue(lamp) == Checked)
            code |= lampBit(lamp);
    }
    return code;
}

void LampGroups::defineGroupClicked()
{
    const qint32 code = checkedLampsCode();
    if (code < MinCode) {
        m_dialogs.information(noLampMessage());
        return;
    }

    const QString name = oneLineName(m_dialogs.askText(namePrompt()));
    if (name.isEmpty())
        return;

    const int index = m_list.addEntry(name);
    m_list.setCode(index, code);
    saveGroups();
}

void LampGroups::removeGroupClicked()
{
    const int index = m_list.selectedIndex();
    if (index < 0)
        return;

    if (!m_dialogs.askYesNo(removeQuestion(m_list.name(index))))
        return;

    m_list.removeEntry(index);
    saveGroups();

    // Otherwise the buttons stay as they are, even with nothing selected: both
    // then find no selection and do nothing until an entry is clicked.
    if (m_list.count() == 0) {
        m_controls.setRemoveGroupEnabled(false);
        m_controls.setSelectGroupEnabled(false);
    }
}

void LampGroups::selectGroupClicked()
{
    const int index = m_list.selectedIndex();
    if (index < 0)
        return;

    // Bits 16 and above belong to no lamp and select nothing.
    const qint32 code = m_list.code(index);
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        m_controls.setCheckboxValue(lamp, (code & lampBit(lamp)) != 0 ? Checked : Unchecked);
}

void LampGroups::deselectAllClicked()
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        m_controls.setCheckboxValue(lamp, Unchecked);
}

void LampGroups::groupSelectionChanged()
{
    const bool selected = m_list.selectedIndex() >= 0;
    m_controls.setRemoveGroupEnabled(selected);
    m_controls.setSelectGroupEnabled(selected);
}

void LampGroups::groupDoubleClicked()
{
    selectGroupClicked();
}

void LampGroups::saveGroups()
{
    const int count = m_list.count();
    SettingsStore::Entries entries;
    for (int n = 1; n <= count; ++n) {
        entries.append({groupKey(n), m_list.name(n - 1)});
        entries.append({codeKey(n), QString::number(m_list.code(n - 1))});
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

        const int index = m_list.addEntry(name);
        m_list.setCode(index, *code);
    }
}
