#pragma once

#include "remoteapi/remotecontrolsettings.h"

struct PanelSettings;

// What the remote-control module is told of the panel's settings: its own keys and
// nothing else, with the host names as a list.
RemoteControlSettings remoteControlSettings(const PanelSettings &settings);
