#pragma once

#include <QString>

class GroupControls;
class GroupDialogs;
class GroupList;
class SettingsStore;

// Named sets of lamps: define, remove, select, deselect all, and keep them in
// the settings file as Group<n>/Code<n> pairs in list order.
class LampGroups final
{
public:
    LampGroups(GroupList &list, GroupControls &controls, GroupDialogs &dialogs,
               SettingsStore &settings);

    void Command1_Click(); // Define Group
    void Command2_Click(); // Remove Group
    void Command3_Click(); // Select Group
    void Command4_Click(); // Deselect All
    void List1_Click();
    void List1_DblClick();

    void SaveGroups();
    // Start-up: reads the groups back into the (already empty) list.
    void LoadGroups();

private:
    GroupList &m_list;
    GroupControls &m_controls;
    GroupDialogs &m_dialogs;
    SettingsStore &m_settings;
};
