#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class RemotePanel;

// What the remote pages show of the panel at one moment: the shown lamps' levels and
// link boxes, the group list, the look list, the blackout and the default fade. Turns into the
// messages the pages get: the whole of it, or what changed since an earlier one.
class PanelSnapshot final
{
public:
    static PanelSnapshot take(const RemotePanel &panel);

    // {"type":"state",...}: everything, for a page that has just come, and whenever the
    // lamp count, the group list or the look list changes, so that the pages lay
    // themselves out again.
    QByteArray stateMessage() const;
    // {"type":"update",...} with the levels and link boxes that differ from before, and
    // "blackout" when it changed, or the state message when the layout changed; empty
    // when nothing changed.
    QByteArray changesSince(const PanelSnapshot &before) const;

    bool operator==(const PanelSnapshot &other) const;
    bool operator!=(const PanelSnapshot &other) const { return !(*this == other); }

private:
    QList<int> m_levels;
    QList<bool> m_links;
    QStringList m_groups;
    // The lamps' names (empty for an unnamed one) and the panel's.
    QStringList m_names;
    QString m_panelName;
    QStringList m_looks;
    bool m_blackout = false;
    double m_fadeTime = 0;
};
