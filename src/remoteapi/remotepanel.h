#pragma once

#include "remoteapi/lampmover.h"
#include "remoteapi/lookcontrol.h"

#include <QStringList>

// Told of every change a remote page would show: levels, link boxes, the lamp count,
// the group list, the look list and the blackout, whoever made it.
class RemotePanelListener
{
public:
    virtual ~RemotePanelListener() = default;
    virtual void panelChanged() = 0;
};

// Everything a remote page may see and do on the panel. Each call acts as the
// operator's hand on the window would: a move of a linked lamp moves the other
// linked lamps, a link box set here is the box on the panel, a group selected here
// checks exactly that group's lamps.
class RemotePanel : public LampMover, public LookControl
{
public:
    // Lamp is 0 to 15 (hidden lamps included); 0 to 255, 255 full.
    virtual int lampLevel(int lamp) const = 0;
    virtual bool isLampLinked(int lamp) const = 0;
    // lamp is shown (below lampCount()).
    virtual void setLampLinked(int lamp, bool linked) = 0;

    // What the operator calls the panel and lamp (0 to 15); empty when unnamed.
    virtual QString panelName() const = 0;
    virtual QString lampName(int lamp) const = 0;

    // The group list's names, in the order the panel shows them.
    virtual QStringList groupNames() const = 0;
    // Selects the entry at index (0 to groupNames().size() - 1) and checks exactly
    // its lamps, as a double-click on it does.
    virtual void selectGroup(int index) = 0;
    // Unchecks every lamp, as Deselect All does.
    virtual void deselectAll() = 0;

    // listener is told of changes until it is removed, which it must be before it goes.
    virtual void addListener(RemotePanelListener &listener) = 0;
    virtual void removeListener(RemotePanelListener &listener) = 0;
};
