#pragma once

#include "lamps/deskmodel.h"
#include "lamps/lampcommand.h"
#include "panel/lampcolumn.h"
#include "panel/layoutsurface.h"

#include <QObject>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class LampGroups;
class LampLayout;
class LampSlider;
class LampToolTip;
class SortedListBox;

// The window's controls at their design places, as views of the desk: a slider shows
// a lamp's level and reports the operator's move, a check box its link, the group list
// the desk's groups; the group buttons ask the desk or the group commands, the
// lamp-count list the layout. Lamps 1 to 15 get their column only when the layout
// first shows them, starting from what the desk holds.
class PanelControls final : public QObject, public LayoutSurface
{
    Q_OBJECT

public:
    // Gives window its font and design size, then makes the controls on it, lamp 0's
    // column the only one.
    explicit PanelControls(QWidget &window);

    // The parts the controls show and report to; nothing reports before this call.
    void connectTo(DeskModel &desk, LampLayout &layout, LampGroups &groups, LampToolTip &tip);

    // The level a slider shows at value, and back: the slider's top is full, and a
    // vertical slider's top is its minimum.
    static int levelOf(int sliderValue) { return LampCommand::MaxLevel - sliderValue; }
    static int sliderValueOf(int level) { return LampCommand::MaxLevel - level; }

    SortedListBox &groupList() const { return *m_groupList; }
    QComboBox &lampCountList() const { return *m_lampCountList; }

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
    // Makes lamp's column, once, hidden, showing what the desk holds.
    void createLampColumn(int lamp);
    bool isMade(int lamp) const { return m_columns.at(lamp) != nullptr; }
    void setTabOrder();
    void connectGroupControls();
    void connectLamp(int lamp);
    // The desk's level and link on lamp's controls, which report nothing back.
    void showLevel(int lamp);
    void showLink(int lamp);
    void showLevels(DeskModel::LampSet lamps);
    void showLinks(DeskModel::LampSet lamps);
    void setGroupButtonsEnabled(bool enabled);
    // An unmade lamp's items read as lamp 0's, which its copy would start from.
    QWidget *widgetFor(Item item, int lamp) const;
    // Makes a lamp item's column first when it is not there yet.
    QWidget *madeWidgetFor(Item item, int lamp);

    QWidget &m_window;
    DeskModel *m_desk = nullptr;
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
    std::array<std::unique_ptr<LampColumn>, LampCommand::MaxLamps> m_columns {};
    // While the desk's state is put on the controls: what they report then is not the
    // operator's.
    bool m_showingDesk = false;
};
