#pragma once

#include "groups/lampgroups.h"
#include "lamps/lampbank.h"
#include "lamps/levelkeeper.h"
#include "lamps/refreshcycle.h"
#include "panel/lamplayout.h"
#include "panel/lamptooltip.h"
#include "panel/panelcontrols.h"
#include "panel/panelremote.h"
#include "panel/qtgroupdialogs.h"
#include "panel/remotecontrolloader.h"
#include "panel/sortedlistbox.h"
#include "serial/portreopener.h"
#include "serial/seriallink.h"
#include "settings/panelsettings.h"
#include "settings/settingsfile.h"

#include <QTimer>
#include <QWidget>
#include <optional>

// The panel's one window. It owns every part of the system; its controls wire the
// widgets to them. The refresh timer hands the lamp bank's marked and rotating
// lamps to the serial link. Start-up (load) runs once before the window is shown, and
// may leave the line and the window icon for after the first frame;
// closing the window closes the serial port. With port reopening on, a closed port is
// opened again, and then every lamp is marked for sending; the window's title says
// while it is closed. With levels kept, start-up puts the stored levels on the sliders
// and the first tick sends every lamp. Remote control, a module loaded only when a key turns
// it on, moves sliders through PanelRemote, as the operator's hand does; the window
// deletes the module first thing when it goes, while PanelRemote and the widgets are whole.
class PanelWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit PanelWindow(const QString &settingsPath, QWidget *parent = nullptr);
    explicit PanelWindow(SettingsFile settings, QWidget *parent = nullptr);
    ~PanelWindow() override;

    enum class LineStart {
        Now,
        // Once the window's first frame is out, or at the first tick for a window not
        // shown: the operator sees the panel sooner, and no command is lost, as the
        // first tick comes after the line has started.
        AfterFirstFrame,
    };
    // Start-up: fills the lists, loads the groups and applies the stored lamp count
    // (which makes the lamps it shows). Then the line starts: the serial port opens,
    // its retries begin when asked for, and remote control loads when a key turns it
    // on; the window gets its icon at the same time.
    void load(LineStart lineStart = LineStart::Now);
    // The state file that keeps the levels when the settings ask for it; set before load().
    void setLevelsPath(const QString &path) { m_levelsPath = path; }

    LampBank &bank() { return m_bank; }
    const LampBank &bank() const { return m_bank; }
    SerialLink &port() { return m_serialLink; }
    RemotePanel &remote() { return m_remote; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void startLine();
    void openPort(const PanelSettings &settings);
    void showPortState();

    SettingsFile m_settings;
    SerialLink m_serialLink;
    // Made first: the parts below act on the controls, and the controls report to them.
    PanelControls m_controls {*this};
    LampBank m_bank {m_controls};
    RefreshCycle m_refresh {m_bank, m_serialLink};
    LampLayout m_layout {m_controls, m_controls, m_bank, m_settings};
    LampToolTip m_tip {m_bank, m_serialLink};
    QtGroupDialogs m_dialogs {this};
    LampGroups m_groups {m_controls.groupList(), m_controls, m_dialogs, m_settings};
    PanelRemote m_remote {m_controls, m_bank, m_groups};
    QTimer m_refreshTimer;
    PortReopener m_reopener {m_serialLink};
    QString m_levelsPath;
    LevelKeeper m_levelKeeper {m_bank};
    // Whether the title tells a closed port: only while the port is reopened.
    bool m_portInTitle = false;
    // The settings the line starts with, while it waits for the first frame.
    std::optional<PanelSettings> m_lineWaiting;
    // Last, so destroyed first, as the module holds m_remote; the destructor releases
    // the module before any member goes in any case.
    RemoteControlLoader m_remoteControl;
};
