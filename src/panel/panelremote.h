#pragma once

#include "remoteapi/remotepanel.h"

#include <QList>
#include <QObject>

class DeskModel;

// Remote control's hand on the desk: every call is a verb of the desk, as the
// operator's hand on the window would be, and every change of the desk, whoever made
// it, is told to the listeners.
class PanelRemote final : public QObject, public RemotePanel
{
    Q_OBJECT

public:
    explicit PanelRemote(DeskModel &desk, QObject *parent = nullptr);

    // The names the settings give the panel and its lamps.
    void setNames(const QString &panelName, const QStringList &lampNames);

    int lampCount() const override;
    void moveLamp(int lamp, int level) override;
    int lampLevel(int lamp) const override;
    bool isLampLinked(int lamp) const override;
    void setLampLinked(int lamp, bool linked) override;
    QStringList groupNames() const override;
    void selectGroup(int index) override;
    void deselectAll() override;
    QString panelName() const override { return m_panelName; }
    QString lampName(int lamp) const override { return m_lampNames.value(lamp); }
    void addListener(RemotePanelListener &listener) override;
    void removeListener(RemotePanelListener &listener) override;

private:
    void tellListeners();

    DeskModel &m_desk;
    QList<RemotePanelListener *> m_listeners;
    QString m_panelName;
    QStringList m_lampNames;
};
