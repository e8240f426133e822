#include "panel/panelremotesettings.h"

#include "settings/panelsettings.h"

RemoteControlSettings remoteControlSettings(const PanelSettings &settings)
{
    RemoteControlSettings remote;
    remote.oscPort = settings.oscPort;
    remote.oscAddress = settings.oscAddress;
    remote.oscAllow = settings.oscAllow;
    remote.webPort = settings.webPort;
    remote.webPassword = settings.webPassword;
    remote.webAddress = settings.webAddress;
    remote.webHostNames = settings.webHostNames.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return remote;
}
