#pragma once

#include "lamps/lampcommand.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

// The desk's truth: every lamp's level, whether it is linked and whether it is due on
// the line; the lamp count; the groups, in the order the list shows them. The window's
// controls, the remote pages, the refresh cycle and the level keeper are views of it:
// they read it, call its verbs, and hear of every change through its signals. It knows
// no widget.
//
// Who follows whom is decided here alone: a lamp the operator moves while linked takes
// every other linked, shown lamp to its level. Levels set any other way (kept levels,
// a recalled look) move no other lamp, and before the first lamp count nothing is shown,
// so nothing follows. A lamp the operator moves leaves any fade it was in.
//
// Blackout sends every shown lamp at 0 on the line while the levels stay as they are.
class DeskModel final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxLamps = LampCommand::MaxLamps;
    static constexpr int MaxLevel = LampCommand::MaxLevel;
    // A set of lamps: bit i for lamp i.
    using LampSet = quint32;

    struct Group
    {
        QString name;
        // The lamps as stored; bits 16 and above belong to no lamp but are kept.
        qint32 code = 0;

        bool operator==(const Group &other) const
        {
            return name == other.name && code == other.code;
        }
    };

    explicit DeskModel(QObject *parent = nullptr);

    static LampSet lampBit(int lamp) { return LampSet(1) << lamp; }
    // The group list's order: case-insensitive first, then by case, so that names that
    // differ only in case always come in the same order.
    static bool sortsBefore(const QString &a, const QString &b);

    int level(int lamp) const { return m_levels.at(lamp); }
    bool isLinked(int lamp) const { return m_linked.at(lamp); }
    bool isDue(int lamp) const { return m_due.at(lamp); }
    // Lamps 0 to lampCount() - 1 are shown; 0 until the first count is set.
    int lampCount() const { return m_lampCount; }
    const QList<Group> &groups() const { return m_groups; }
    // What the operator calls the panel and each lamp; empty when unnamed.
    QString panelName() const { return m_panelName; }
    QString lampName(int lamp) const { return m_lampNames.value(lamp); }
    void setNames(const QString &panelName, const QStringList &lampNames);
    // The linked lamps of all sixteen, hidden ones included, as a group's code.
    qint32 linkedCode() const;

    // The operator's hand: lamp goes to level (0 to 255), and is due on the next tick
    // even when it was there already; linked, every other linked shown lamp follows.
    void moveLamp(int lamp, int level);
    // A level set without following and without putting the lamp due.
    void setLevel(int lamp, int level);
    // A fade's step: each lamp of lamps goes to its level without following, and is
    // due when its level changed.
    void setFadeLevels(const std::array<int, MaxLamps> &levels, LampSet lamps);
    // The lamps a fade still moves; the operator's hand takes lamps out.
    LampSet fadingLamps() const { return m_fading; }
    void setFadingLamps(LampSet lamps) { m_fading = lamps; }
    void setLinked(int lamp, bool linked);
    // Links exactly the lamps of the group at index; bits beyond the lamps select nothing.
    void selectGroup(int index);
    void deselectAll();
    // Puts the group at its sorted place, after any of the same name; returns the place.
    int addGroup(const Group &group);
    void removeGroup(int index);
    // Shows lamps 0 to count - 1 (0 to 16).
    void setLampCount(int count);

    // After a tick has sent it.
    void clearDue(int lamp) { m_due.at(lamp) = false; }
    // Every shown lamp due: a controller that has just come back learns every level.
    void putAllDue();

    bool isBlackout() const { return m_blackout; }
    // On or off, every shown lamp is due: the line learns 0 or its level on the next tick.
    void setBlackout(bool on);
    // The level the line carries for lamp: 0 in blackout.
    int sentLevel(int lamp) const { return m_blackout ? 0 : m_levels.at(lamp); }

Q_SIGNALS:
    void levelsChanged(DeskModel::LampSet lamps);
    void linksChanged(DeskModel::LampSet lamps);
    // A group came or went; index is its place.
    void groupAdded(int index);
    void groupRemoved(int index);
    // The group at index was selected by selectGroup(), whoever asked.
    void groupSelected(int index);
    void lampCountChanged(int count);
    void namesChanged();
    void blackoutChanged(bool on);

private:
    void setLinks(LampSet linked);

    std::array<int, MaxLamps> m_levels {};
    std::array<bool, MaxLamps> m_linked {};
    std::array<bool, MaxLamps> m_due {};
    int m_lampCount = 0;
    QList<Group> m_groups;
    QString m_panelName;
    QStringList m_lampNames;
    LampSet m_fading = 0;
    bool m_blackout = false;
};
