#pragma once

#include "remoteapi/remotecontrolsettings.h"

struct PanelSettings;

class QString;

// What the remote-control module is told of the panel's settings: its own keys and
// nothing else, with the host names as a list, and where the phone remote's login
// secret lives beside the kept levels at levelsPath (none without one).
RemoteControlSettings remoteControlSettings(const PanelSettings &settings,
                                            const QString &levelsPath);
