#pragma once

#include <QString>
#include <QtGlobal>

class GroupControls;
class GroupDialogs;
class GroupList;
class SettingsStore;

// Named sets of lamps: define, remove, select, deselect all, and keep them in
// the settings file as Group<n>/Code<n> pairs in list order.
class LampGroups final
{
public:
    // Codes below this are no group: nothing checked when defining, end of the run when loading.
    static constexpr qint32 MinCode = 1;

    // The operator texts, with a carriage return between lines.
    static QString noLampMessage();
    static QString namePrompt();
    static QString removeQuestion(const QString &name);

    // A name is one line: everything from its first line break on is dropped.
    static QString oneLineName(const QString &typed);

    LampGroups(GroupList &list, GroupControls &controls, GroupDialogs &dialogs,
               SettingsStore &settings);

    void defineGroupClicked(); // Define Group
    void removeGroupClicked(); // Remove Group
    void selectGroupClicked(); // Select Group
    void deselectAllClicked(); // Deselect All
    void groupSelectionChanged();
    void groupDoubleClicked();

    void saveGroups();
    // Start-up: reads the groups back into the (already empty) list.
    void loadGroups();

private:
    qint32 checkedLampsCode() const;

    GroupList &m_list;
    GroupControls &m_controls;
    GroupDialogs &m_dialogs;
    SettingsStore &m_settings;
};
