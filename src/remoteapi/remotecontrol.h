#pragma once

#include <QtPlugin>

class RemotePanel;
struct RemoteControlSettings;

// Remote control as the panel sees it: OSC and the phone remote live in a module of
// their own, loaded only when a settings key turns one of them on, so a panel without
// remote control never loads the network libraries.
class RemoteControl
{
public:
    virtual ~RemoteControl() = default;

    // Starts what the settings turn on. A part that cannot start says why in the log
    // and leaves the rest running. The panel outlives the module.
    virtual void start(RemotePanel &panel, const RemoteControlSettings &settings) = 0;
};

// Part of the module's binary interface: changed whenever anything in this folder
// changes, so that a panel never loads a module built against another version of it.
// 2: start() takes RemoteControlSettings instead of the panel's whole settings.
#define RemoteControl_iid "org.kelvaris.RemoteControl/2"
Q_DECLARE_INTERFACE(RemoteControl, RemoteControl_iid)
