#pragma once

#include "remoteapi/remotepanel.h"

#include <QList>
#include <QObject>
#include <chrono>

class DeskModel;
class LampLooks;

// Remote control's hand on the desk: every call is a verb of the desk, as the
// operator's hand on the window would be, and every change of the desk, whoever made
// it, is told to the listeners.
class PanelRemote final : public QObject, public RemotePanel
{
    Q_OBJECT

public:
    PanelRemote(DeskModel &desk, LampLooks &looks, QObject *parent = nullptr);

    // The fade of a recall that names none.
    void setDefaultFade(std::chrono::milliseconds fade) { m_defaultFade = fade; }

    int lampCount() const override;
    void moveLamp(int lamp, int level) override;
    int lampLevel(int lamp) const override;
    bool isLampLinked(int lamp) const override;
    void setLampLinked(int lamp, bool linked) override;
    QStringList groupNames() const override;
    void selectGroup(int index) override;
    void deselectAll() override;
    QString panelName() const override;
    QString lampName(int lamp) const override;
    QStringList lookNames() const override;
    QStringList storedLookNames() const override;
    double defaultFadeSeconds() const override;
    bool recallLook(const QString &name, std::optional<double> fadeSeconds) override;
    void storeLook(const QString &name) override;
    bool isBlackout() const override;
    void setBlackout(bool on) override;
    void addListener(RemotePanelListener &listener) override;
    void removeListener(RemotePanelListener &listener) override;

private:
    void tellListeners();

    DeskModel &m_desk;
    LampLooks &m_looks;
    std::chrono::milliseconds m_defaultFade {0};
    QList<RemotePanelListener *> m_listeners;
};
