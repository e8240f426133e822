#include "remote/remotecontrolmodule.h"

#include "platform/logging.h"
#include "remote/osc/oscreceiver.h"
#include "remote/web/sessionsecret.h"
#include "remote/web/webremoteserver.h"
#include "remoteapi/remotecontrolsettings.h"
#include "remoteapi/remotepanel.h"

RemoteControlModule::RemoteControlModule() = default;

RemoteControlModule::~RemoteControlModule() = default;

void RemoteControlModule::startOsc(RemotePanel &panel, const RemoteControlSettings &settings)
{
    std::optional<OscSenderFilter> senders;
    if (!settings.oscAllow.isEmpty()) {
        senders = OscSenderFilter::parse(settings.oscAllow);
        if (!senders) {
            // Failing closed: a list that does not parse never lets everyone in.
            qCWarning(lcRemote).noquote()
                << QStringLiteral("OSC is off: OscAllow is not a list of addresses and "
                                  "ranges: \"%1\"")
                       .arg(settings.oscAllow);
            return;
        }
    }
    m_osc = std::make_unique<OscReceiver>(panel);
    if (senders)
        m_osc->restrictSenders(*senders);
    m_osc->listen(settings.oscPort, settings.oscAddress);
}

void RemoteControlModule::start(RemotePanel &panel, const RemoteControlSettings &settings)
{
    if (settings.oscPort && !m_osc)
        startOsc(panel, settings);
    if (settings.webPort && !m_web) {
        m_web = std::make_unique<WebRemoteServer>(panel);
        m_web->listen({*settings.webPort, settings.webPassword, settings.webAddress,
                       settings.webHostNames,
                       // Without a password there is no login to keep.
                       settings.webPassword.isEmpty() ? QByteArray()
                                                      : SessionSecret::load(settings.webSecretPath),
                       panel.panelName()});
    }
}
