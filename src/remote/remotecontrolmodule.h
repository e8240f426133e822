#pragma once

#include "remoteapi/remotecontrol.h"

#include <QObject>
#include <memory>

class OscReceiver;
struct RemoteControlSettings;
class RemotePanel;
class WebRemoteServer;

// The module's one object, made by the panel's plugin loader: OSC on UDP and the phone
// remote on HTTP, each started only when its port is set.
class RemoteControlModule final : public QObject, public RemoteControl
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID RemoteControl_iid)
    Q_INTERFACES(RemoteControl)

public:
    RemoteControlModule();
    ~RemoteControlModule() override;

    void start(RemotePanel &panel, const RemoteControlSettings &settings) override;

private:
    void startOsc(RemotePanel &panel, const RemoteControlSettings &settings);

    std::unique_ptr<OscReceiver> m_osc;
    std::unique_ptr<WebRemoteServer> m_web;
};
