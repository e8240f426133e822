#include "groups/lampgroups.h"

#include "groups/groupcontrols.h"
#include "groups/groupdialogs.h"
#include "groups/grouplist.h"
#include "settings/settingsstore.h"

LampGroups::LampGroups(GroupList &list, GroupControls &controls, GroupDialogs &dialogs,
                       SettingsStore &settings)
    : m_list(list)
    , m_controls(controls)
    , m_dialogs(dialogs)
    , m_settings(settings)
{
}

// Placeholders until the group commands are built.
void LampGroups::Command1_Click() { }
void LampGroups::Command2_Click() { }
void LampGroups::Command3_Click() { }
void LampGroups::Command4_Click() { }
void LampGroups::List1_Click() { }
void LampGroups::List1_DblClick() { }
void LampGroups::SaveGroups() { }
void LampGroups::LoadGroups() { }
