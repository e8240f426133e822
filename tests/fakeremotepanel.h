#pragma once

#include "remoteapi/remotepanel.h"

#include <QStringList>

// A panel of eight lamps and two groups, without widgets, that records what a remote
// page asked of it as words ("move 3 200", "link 3 1", "select 0", "deselect").
class FakeRemotePanel final : public RemotePanel
{
public:
    QStringList calls;
    int count = 8;

    int lampCount() const override { return count; }
    void moveLamp(int lamp, int level) override
    {
        calls.append(QStringLiteral("move %1 %2").arg(lamp).arg(level));
    }
    int lampLevel(int) const override { return 0; }
    bool isLampLinked(int) const override { return false; }
    void setLampLinked(int lamp, bool linked) override
    {
        calls.append(QStringLiteral("link %1 %2").arg(lamp).arg(linked));
    }
    QStringList groupNames() const override { return {"Front", "Back"}; }
    void selectGroup(int index) override { calls.append(QStringLiteral("select %1").arg(index)); }
    void deselectAll() override { calls.append(QStringLiteral("deselect")); }
    QString panelName() const override { return QStringLiteral("Stage left"); }
    QString lampName(int lamp) const override
    {
        return lamp == 2 ? QStringLiteral("Wash") : QString();
    }
    void addListener(RemotePanelListener &listener) override { listeners.append(&listener); }
    void removeListener(RemotePanelListener &listener) override { listeners.removeAll(&listener); }

    QList<RemotePanelListener *> listeners;
};
