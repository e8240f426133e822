#pragma once

#include "groups/groupcontrols.h"
#include "groups/lampgroups.h"
#include "lamps/lampbank.h"
#include "lamps/lampcontrols.h"
#include "lamps/refreshcycle.h"
#include "osc/lampmover.h"
#include "osc/oscreceiver.h"
#include "panel/lamplayout.h"
#include "panel/layoutsurface.h"
#include "panel/qtgroupdialogs.h"
#include "serial/portreopener.h"
#include "serial/seriallink.h"
#include "settings/settingsfile.h"

#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class LampDisplay;
class LampSlider;
class SortedListBox;
struct PanelSettings;

// The panel's one window. It owns every part of the system and only wires them
// together: the widgets report to the lamp bank (levels, linked lamps), the
// group logic (the group list and its four buttons) and the layout (the lamp
// count list); those speak back to the widgets through the small interfaces
// this class implements. The refresh timer hands the lamp bank's marked and
// rotating lamps to the serial link. Start-up (load) runs once before the
// window is shown; closing the window closes the serial port. With ReopenPort=1
// a closed port is opened again, and then every lamp is marked for sending.
// Remote control (OSC) moves sliders through LampMover, as the operator's hand does.
class PanelWindow final : public QWidget,
                          public LampControls,
                          public LayoutSurface,
                          public GroupControls,
                          public LampMover
{
    Q_OBJECT

public:
    // The window's outer size is its client size plus a fixed frame allowance.
    static constexpr int FrameWidth = 90;
    static constexpr int FrameHeight = 375;
    static constexpr int DesignClientWidth = 9480;
    static constexpr int DesignClientHeight = 6465;

    explicit PanelWindow(const QString &settingsPath, QWidget *parent = nullptr);
    explicit PanelWindow(SettingsFile settings, QWidget *parent = nullptr);
    ~PanelWindow() override;

    // Start-up: fills the lists, makes lamps 1 to 15, loads the groups, applies
    // the stored lamp count and opens the serial port.
    void load();

    LampBank &bank() { return m_bank; }
    const LampBank &bank() const { return m_bank; }
    SerialLink &port() { return m_serialLink; }
    const RefreshCycle &refreshCycle() const { return m_refresh; }

    // Makes lamp i's four controls as hidden copies of lamp 0's.
    void createLampCopy(int lamp);

    // LampControls
    int sliderValue(int lamp) const override;
    void setSliderValue(int lamp, int value) override;
    int checkboxValue(int lamp) const override;
    void setDisplayGrey(int lamp, int grey) override;

    // GroupControls
    void setCheckboxValue(int lamp, int value) override;
    void setRemoveGroupEnabled(bool enabled) override;
    void setSelectGroupEnabled(bool enabled) override;

    // LayoutSurface, in twips
    int lampCountSelection() const override;
    int left(Item item, int lamp = 0) const override;
    int top(Item item, int lamp = 0) const override;
    int height(Item item, int lamp = 0) const override;
    void setLeft(Item item, int lamp, int twips) override;
    void setTop(Item item, int lamp, int twips) override;
    void setHeight(Item item, int lamp, int twips) override;
    void setVisible(Item item, int lamp, bool visible) override;
    void setLampCaption(int lamp, const QString &caption) override;
    int windowWidth() const override;
    void setWindowWidth(int twips) override;
    void setWindowHeight(int twips) override;

    // LampMover: remote control moves a slider as the operator's hand does.
    int lampCount() const override;
    void moveLamp(int lamp, int level) override;

    using QWidget::height;
    using QWidget::setVisible;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createLampColumn(int lamp);
    void setTabOrder();
    void connectLamp(int lamp);
    void openPort(const PanelSettings &settings);
    // After a lamp's level changed: its accessible description and a shown tip follow.
    void levelShown(int lamp);
    void showLampTip(int lamp, const QPoint &globalPos, QWidget *widget);
    int lampOfTipWidget(const QObject *widget) const;
    QWidget *widgetFor(Item item, int lamp) const;

    SettingsFile m_settings;
    SerialLink m_serialLink;
    LampBank m_bank {*this};
    RefreshCycle m_refresh {m_bank, m_serialLink};
    LampLayout m_layout {*this, *this, m_bank, m_settings};
    QTimer m_refreshTimer;
    PortReopener m_reopener {m_serialLink};

    // The lamp tip shown last: its lamp, place, control and text.
    int m_tipLamp = -1;
    QPoint m_tipPos;
    QPointer<QWidget> m_tipWidget;
    QString m_tipText;

    QLabel *m_groupListLabel = nullptr;
    SortedListBox *m_groupList = nullptr;
    std::array<QPushButton *, 4> m_commands {};
    QLabel *m_lampCountLabel = nullptr;
    QComboBox *m_lampCountList = nullptr;
    std::array<QLabel *, LampCommand::MaxLamps> m_lampLabels {};
    std::array<LampDisplay *, LampCommand::MaxLamps> m_lampDisplays {};
    std::array<LampSlider *, LampCommand::MaxLamps> m_lampSliders {};
    std::array<QCheckBox *, LampCommand::MaxLamps> m_lampCheckboxes {};

    QtGroupDialogs m_dialogs {this};
    std::unique_ptr<LampGroups> m_groups;
    OscReceiver m_oscReceiver {*this};
};
