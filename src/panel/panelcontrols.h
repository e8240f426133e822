#pragma once

#include "groups/groupcontrols.h"
#include "lamps/lampcommand.h"
#include "lamps/lampcontrols.h"
#include "panel/layoutsurface.h"

#include <QObject>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class LampBank;
class LampDisplay;
class LampGroups;
class LampLayout;
class LampSlider;
class LampToolTip;
class SortedListBox;

// The window's controls at their design places, and the small interfaces the lamp
// bank, the group commands and the layout speak back through. The controls report
// to those parts: a slider to the bank, the group list and its four buttons to the
// group commands, the lamp-count list to the layout. Lamps 1 to 15 get their widgets
// only when the layout first shows them; until then their slider value, check and
// grey are kept here, and the widgets start from them.
class PanelControls final : public QObject,
                            public LampControls,
                            public GroupControls,
                            public LayoutSurface
{
    Q_OBJECT

public:
    // The window's outer size is its client size plus a fixed frame allowance.
    static constexpr int FrameWidth = 90;
    static constexpr int FrameHeight = 375;
    static constexpr int DesignClientWidth = 9480;
    static constexpr int DesignClientHeight = 6465;

    // Gives window its font and design size, then makes the controls on it, lamp 0's
    // column the only one.
    explicit PanelControls(QWidget &window);

    // The parts the controls report to. They are made after the controls, since they
    // act on them; nothing reports before this call.
    void connectTo(LampBank &bank, LampLayout &layout, LampGroups &groups, LampToolTip &tip);

    SortedListBox &groupList() const { return *m_groupList; }
    QComboBox &lampCountList() const { return *m_lampCountList; }

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

private:
    void createControls();
    void createLampColumn(int lamp);
    // Makes lamp's four controls, once, as hidden copies of lamp 0's holding its kept state.
    void createLampCopy(int lamp);
    bool isMade(int lamp) const { return m_lampSliders.at(lamp) != nullptr; }
    void setTabOrder();
    void connectGroupControls();
    void connectLamp(int lamp);
    // After a lamp's level changed: its accessible description and a shown tip follow.
    void levelShown(int lamp);
    // An unmade lamp's items read as lamp 0's, which its copy would start from.
    QWidget *widgetFor(Item item, int lamp) const;
    // Makes a lamp item's column first when it is not there yet.
    QWidget *madeWidgetFor(Item item, int lamp);

    QWidget &m_window;
    LampBank *m_bank = nullptr;
    LampLayout *m_layout = nullptr;
    LampGroups *m_groups = nullptr;
    LampToolTip *m_tip = nullptr;

    QLabel *m_groupListLabel = nullptr;
    SortedListBox *m_groupList = nullptr;
    QPushButton *m_defineGroupButton = nullptr;
    QPushButton *m_removeGroupButton = nullptr;
    QPushButton *m_selectGroupButton = nullptr;
    QPushButton *m_deselectAllButton = nullptr;
    QLabel *m_lampCountLabel = nullptr;
    QComboBox *m_lampCountList = nullptr;
    std::array<QLabel *, LampCommand::MaxLamps> m_lampLabels {};
    std::array<LampDisplay *, LampCommand::MaxLamps> m_lampDisplays {};
    std::array<LampSlider *, LampCommand::MaxLamps> m_lampSliders {};
    std::array<QCheckBox *, LampCommand::MaxLamps> m_lampCheckboxes {};

    // What a lamp's controls hold while it has none.
    struct LampState
    {
        int sliderValue = LampCommand::MaxLevel;
        bool checked = false;
        int grey = 0;
    };
    std::array<LampState, LampCommand::MaxLamps> m_lampStates {};
};
