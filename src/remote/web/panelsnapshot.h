#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class RemotePanel;

// What the remote pages show of the panel at one moment: the shown lamps' levels and
// link boxes and the group list. Turns into the messages the pages get: the whole of
// it, or what changed since an earlier one.
class PanelSnapshot final
{
public:
    static PanelSnapshot take(const RemotePanel &panel);

    // {"type":"state",...}: everything, for a page that has just come, and whenever the
    // lamp count or the group list changes, so that the pages lay themselves out again.
    QByteArray stateMessage() const;
    // {"type":"update",...} with the levels and link boxes that differ from before, or
    // the state message when the layout changed; empty when nothing changed.
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
};
