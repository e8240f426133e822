#pragma once

#include "remoteapi/remotepanel.h"

#include <QStringList>

// A panel of eight lamps, two groups and two looks, without widgets, that records what
// a remote page asked of it as words ("move 3 200", "link 3 1", "select 0", "deselect",
// "recall Warm 2.5", "recall Warm default", "store Cold", "blackout 1").
class FakeRemotePanel final : public RemotePanel
{
public:
    QStringList calls;
    int count = 8;
    bool blackout = false;

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
    QStringList lookNames() const override { return {"Cold", "Warm"}; }
    QStringList storedLookNames() const override { return {"Warm", "", "Cold"}; }
    double defaultFadeSeconds() const override { return 2.0; }
    bool recallLook(const QString &name, std::optional<double> fade) override
    {
        calls.append(QStringLiteral("recall %1 %2")
                         .arg(name, fade ? QString::number(*fade) : QStringLiteral("default")));
        return true;
    }
    void storeLook(const QString &name) override { calls.append(QStringLiteral("store ") + name); }
    bool isBlackout() const override { return blackout; }
    void setBlackout(bool on) override { calls.append(QStringLiteral("blackout %1").arg(on)); }
    void addListener(RemotePanelListener &listener) override { listeners.append(&listener); }
    void removeListener(RemotePanelListener &listener) override { listeners.removeAll(&listener); }

    QList<RemotePanelListener *> listeners;
};
