#pragma once

#include "groups/lampgroups.h"
#include "groups/lamplooks.h"
#include "lamps/deskmodel.h"
#include "lamps/levelkeeper.h"
#include "lamps/lookfader.h"
#include "lamps/refreshcycle.h"
#include "panel/panelremote.h"
#include "panel/remotecontrolloader.h"
#include "serial/portreopener.h"
#include "serial/seriallink.h"
#include "settings/panelsettings.h"

#include <QObject>
#include <QTimer>
#include <optional>

class GroupDialogs;
class SettingsStore;

// The panel without its window: the desk, the serial line and the refresh timer that
// feeds it, the port's retries, the kept levels, the group commands, the looks and
// their fades, and remote control. It knows no widget; the window shows the desk and asks the
// engine for the rest. Start-up runs in the order of its steps: loadDesk(), then the window lays
// the lamps out, then sendKeptLevels(); the line starts with startLine().
class PanelEngine final : public QObject
{
    Q_OBJECT

public:
    PanelEngine(SettingsStore &settings, GroupDialogs &dialogs, QObject *parent = nullptr);
    // Remote control goes first, while the desk it acts on is still there.
    ~PanelEngine() override;

    DeskModel &desk() { return m_desk; }
    const SerialLink &serialLink() const { return m_serialLink; }
    LampGroups &groups() { return m_groups; }
    LampLooks &looks() { return m_looks; }
    // The fade a recall takes unless it chooses another, from the settings.
    std::chrono::milliseconds defaultFade() const { return m_settings.fadeTime; }

    // Step 1: reads the settings, the groups and, when the settings keep them, the
    // levels of the last run from levelsPath. Returns the settings read.
    const PanelSettings &loadDesk(const QString &levelsPath);
    // Step 2, once the lamps are shown: a controller learns kept levels on the first
    // tick, not over a rotation.
    void sendKeptLevels();
    // Step 3, once: the port opens, its retries begin when asked for, and remote control
    // loads when a key turns it on. Before the first tick whatever happens, so that no
    // command is lost. True when it started the line just now.
    bool startLine();
    bool isLineWaiting() const { return m_lineWaiting; }
    // Closing: the kept levels written, the retries stopped, the port closed; a line
    // not started yet never starts.
    void close();

Q_SIGNALS:
    // The port opened or closed, and whether it is being retried.
    void portStateChanged(bool open, bool retrying);
    void lineStarted();

private:
    void openPort();

    SettingsStore &m_settingsStore;
    PanelSettings m_settings;
    DeskModel m_desk;
    SerialLink m_serialLink;
    RefreshCycle m_refresh {m_desk, m_serialLink};
    QTimer m_refreshTimer;
    PortReopener m_reopener {m_serialLink};
    LevelKeeper m_levelKeeper {m_desk};
    LampGroups m_groups;
    LookFader m_fader {m_desk};
    LampLooks m_looks {m_desk, m_fader, m_settingsStore};
    PanelRemote m_remote {m_desk, m_looks};
    RemoteControlLoader m_remoteControl;
    QString m_levelsPath;
    bool m_levelsKept = false;
    bool m_lineWaiting = false;
    bool m_retrying = false;
};
