#pragma once

#include <QtPlugin>

class RemotePanel;
struct RemoteControlSettings;

// Remote control as the panel sees it: OSC and the phone remote live in a module of
// their own, loaded only when a settings key turns one of them on, so a panel without
// remote control never loads the network libraries.
//
// Lifetime: the panel deletes the module's object (and with it every socket, timer and
// page it made) before it destroys the RemotePanel it passed to start() or any widget
// that RemotePanel reaches (PanelEngine releases it first). Until then the RemotePanel stays valid,
// and the module may keep the reference and call it from the panel's event loop; after that nothing
// of the module runs.
class RemoteControl
{
public:
    virtual ~RemoteControl() = default;

    // Starts what the settings turn on. A part that cannot start says why in the log
    // and leaves the rest running.
    virtual void start(RemotePanel &panel, const RemoteControlSettings &settings) = 0;
};

// Part of the module's binary interface: changed whenever anything in this folder
// changes, so that a panel never loads a module built against another version of it.
// 2: start() takes RemoteControlSettings instead of the panel's whole settings, and
//    RemotePanel tells listeners of changes instead of being polled.
// 3: RemotePanel is a LookControl too: looks, fades and the blackout.
#define RemoteControl_iid "org.kelvaris.RemoteControl/3"
Q_DECLARE_INTERFACE(RemoteControl, RemoteControl_iid)
