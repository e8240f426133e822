#pragma once

#include "panel/lamplayout.h"
#include "panel/lamptooltip.h"
#include "panel/panelcontrols.h"
#include "panel/panelengine.h"
#include "panel/qtgroupdialogs.h"
#include "settings/settingsfile.h"

#include <QPointer>
#include <QWidget>

class LooksWindow;

// The panel's one window: the title, the icon, closing, and the controls that show the
// engine's desk. With port reopening on, the title says while the port is closed; it
// says blackout while that is on. The Looks window opens with Ctrl+L or from the
// window's context menu, so the window itself keeps its looks.
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
    // Start-up: the desk is loaded (settings, groups, kept levels), the lamp-count list
    // filled and the stored count laid out, which makes the lamps it shows. Then the
    // line starts, and the window gets its icon at the same time.
    void load(LineStart lineStart = LineStart::Now);
    // The state file that keeps the levels when the settings ask for it; set before load().
    void setLevelsPath(const QString &path) { m_levelsPath = path; }
    // Shows the Looks window, made the first time.
    void showLooks();

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void startLine();
    void setIcon();
    void showPortState(bool open, bool retrying);
    void showTitle();

    SettingsFile m_settings;
    QtGroupDialogs m_dialogs {this};
    PanelEngine m_engine {m_settings, m_dialogs};
    PanelControls m_controls {*this};
    LampLayout m_layout {m_controls, m_engine.desk(), m_settings};
    LampToolTip m_tip {m_engine.desk(), m_engine.serialLink()};
    QString m_levelsPath;
    QPointer<LooksWindow> m_looksWindow;
    bool m_portClosedShown = false;
};
