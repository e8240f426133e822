#include "panel/panelremote.h"

#include "groups/lampgroups.h"
#include "lamps/lampbank.h"
#include "panel/panelcontrols.h"
#include "panel/sortedlistbox.h"

namespace {

constexpr int Checked = 1;
constexpr int Unchecked = 0;

} // namespace

PanelRemote::PanelRemote(PanelControls &controls, LampBank &bank, LampGroups &groups)
    : m_controls(controls), m_bank(bank), m_groups(groups)
{ }

int PanelRemote::lampCount() const
{
    return m_bank.lampCount();
}

void PanelRemote::moveLamp(int lamp, int level)
{
    const int value = LampCommand::MaxLevel - level;
    if (m_controls.sliderValue(lamp) != value) {
        m_controls.setSliderValue(lamp, value); // reports the change itself
        return;
    }
    // A hand dragging the thumb onto the value it holds still reports the level,
    // so the lamp goes out on the next tick and checked lamps come into line.
    m_bank.lampLevelChanged(lamp);
}

int PanelRemote::lampLevel(int lamp) const
{
    return m_bank.lampLevel(lamp);
}

bool PanelRemote::isLampLinked(int lamp) const
{
    return m_controls.checkboxValue(lamp) == Checked;
}

void PanelRemote::setLampLinked(int lamp, bool linked)
{
    m_controls.setCheckboxValue(lamp, linked ? Checked : Unchecked);
}

QStringList PanelRemote::groupNames() const
{
    const SortedListBox &list = m_controls.groupList();
    QStringList names;
    for (int index = 0; index < list.count(); ++index)
        names.append(list.name(index));
    return names;
}

void PanelRemote::selectGroup(int index)
{
    // The list reports the selection as it reports a click, which enables Remove and
    // Select; the double-click then checks the group's lamps.
    m_controls.groupList().setCurrentRow(index);
    m_groups.groupDoubleClicked();
}

void PanelRemote::deselectAll()
{
    m_groups.deselectAllClicked();
}
