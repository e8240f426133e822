#pragma once

#include <QString>
#include <QtGlobal>

class DeskModel;
class GroupDialogs;
class SettingsStore;

// The group commands that ask the operator, and the groups kept in the settings file
// as Group<n>/Code<n> pairs in list order. The groups themselves are the desk's;
// selecting one and deselecting all are the desk's verbs.
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

    LampGroups(DeskModel &desk, GroupDialogs &dialogs, SettingsStore &settings);

    // Define Group: the linked lamps, under a name the operator types.
    void defineGroup();
    // Remove Group: the group at index, once the operator says yes.
    void removeGroup(int index);

    void saveGroups();
    // Start-up: reads the groups back onto the desk, which has none yet.
    void loadGroups();

private:
    DeskModel &m_desk;
    GroupDialogs &m_dialogs;
    SettingsStore &m_settings;
};
