#pragma once

#include "lamps/lookfader.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>

class DeskModel;
class GroupDialogs;
class SettingsStore;

// The looks: names with the levels of all sixteen lamps, taken from the desk and
// brought back to it by the fader. Kept in the settings file as Look<n>/LookLevels<n>
// pairs in the order they were stored; the list the operator sees sorts them as the
// group list sorts. Indexes here are places in stored order among the good looks.
class LampLooks final : public QObject
{
    Q_OBJECT

public:
    struct Look
    {
        QString name;
        LookFader::Levels levels {};
    };

    static QString namePrompt();
    static QString replaceQuestion(const QString &name);
    static QString removeQuestion(const QString &name);
    // "0,255,..." and back; none unless sixteen plain numbers of 0 to 255.
    static QString levelsText(const LookFader::Levels &levels);
    static std::optional<LookFader::Levels> levelsFromText(const QString &text);

    LampLooks(DeskModel &desk, LookFader &fader, SettingsStore &settings,
              QObject *parent = nullptr);

    QList<Look> looks() const;
    // Every entry's name in stored order, as Look<n> numbers them from 1; a malformed
    // entry's place is empty, as it is no look.
    QStringList storedNames() const;
    // Stored-order indexes in the order the list shows them.
    QList<int> listOrder() const;
    // The first look of that name, or -1.
    int find(const QString &name) const;

    // The desk's levels under name, replacing a look of the same name in its place;
    // an empty name stores nothing.
    void store(const QString &name);
    void remove(int index);
    // False when there is no look at index.
    bool recall(int index, std::chrono::milliseconds fade);

    // Store Look and Remove Look on the panel: a name asked for, a replacement or a
    // removal only once the operator says yes.
    void storeAsking(GroupDialogs &dialogs);
    void removeAsking(int index, GroupDialogs &dialogs);

    // Start-up: reads the looks; a malformed entry is logged and kept as it was read.
    void loadLooks();
    void saveLooks();

Q_SIGNALS:
    void looksChanged();

private:
    // An entry as read or stored. A malformed one is no look but keeps its text and
    // its place among the others, so that saving never loses what the operator wrote.
    struct Entry
    {
        Look look;
        bool malformed = false;
        QString levelsText;
    };

    int entryIndex(int index) const;

    DeskModel &m_desk;
    LookFader &m_fader;
    SettingsStore &m_settings;
    QList<Entry> m_entries;
};
