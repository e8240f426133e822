#include "osc/remotecontrolmodule.h"

#include "osc/oscreceiver.h"
#include "osc/remotepanel.h"
#include "osc/web/webremoteserver.h"
#include "settings/panelsettings.h"

RemoteControlModule::RemoteControlModule() = default;

RemoteControlModule::~RemoteControlModule() = default;

void RemoteControlModule::start(RemotePanel &panel, const PanelSettings &settings)
{
    if (settings.oscPort && !m_osc) {
        m_osc = std::make_unique<OscReceiver>(panel);
        m_osc->listen(settings.oscPort, settings.oscAddress);
    }
    if (settings.webPort && !m_web) {
        m_web = std::make_unique<WebRemoteServer>(panel);
        m_web->listen({*settings.webPort, settings.webPassword, settings.webAddress});
    }
}
