#pragma once

#include "groups/lampgroups.h"
#include "lamps/deskmodel.h"
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

// The panel's one window. It owns every part of the system; its controls are views of
// the desk. The refresh timer hands the desk's due and rotating lamps to the serial
// link. Start-up (load) runs once before the window is shown, and
// may leave the line and the window icon for after the first frame;
// closing the window closes the serial port. With port reopening on, a closed port is
// opened again, and then every lamp is marked for sending; the window's title says
// while it is closed. With levels kept, start-up puts the stored levels on the sliders
// and the first tick sends every lamp. Remote control, a module loaded only when a key turns
// it on, acts on the desk through PanelRemote, as the operator's hand does.
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

    DeskModel &desk() { return m_desk; }
    const DeskModel &desk() const { return m_desk; }
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
    DeskModel m_desk;
    PanelControls m_controls {*this};
    RefreshCycle m_refresh {m_desk, m_serialLink};
    LampLayout m_layout {m_controls, m_desk, m_settings};
    LampToolTip m_tip {m_desk, m_serialLink};
    QtGroupDialogs m_dialogs {this};
    LampGroups m_groups {m_desk, m_dialogs, m_settings};
    PanelRemote m_remote {m_desk};
    QTimer m_refreshTimer;
    PortReopener m_reopener {m_serialLink};
    QString m_levelsPath;
    LevelKeeper m_levelKeeper {m_desk};
    // Whether the title tells a closed port: only while the port is reopened.
    bool m_portInTitle = false;
    // The settings the line starts with, while it waits for the first frame.
    std::optional<PanelSettings> m_lineWaiting;
    RemoteControlLoader m_remoteControl;
};
