#pragma once

#include "remoteapi/remotepanel.h"

class LampBank;
class LampGroups;
class PanelControls;

// Remote control's hand on the panel: every call goes through the window's own
// controls and the group commands, as the operator's would.
class PanelRemote final : public RemotePanel
{
public:
    PanelRemote(PanelControls &controls, LampBank &bank, LampGroups &groups);

    int lampCount() const override;
    void moveLamp(int lamp, int level) override;
    int lampLevel(int lamp) const override;
    bool isLampLinked(int lamp) const override;
    void setLampLinked(int lamp, bool linked) override;
    QStringList groupNames() const override;
    void selectGroup(int index) override;
    void deselectAll() override;

private:
    PanelControls &m_controls;
    LampBank &m_bank;
    LampGroups &m_groups;
};
