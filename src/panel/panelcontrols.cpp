#include "panel/panelcontrols.h"

#include "groups/lampgroups.h"
#include "panel/lampcolumn.h"
#include "panel/lampdisplay.h"
#include "panel/lamplayout.h"
#include "panel/lampslider.h"
#include "panel/lamptooltip.h"
#include "panel/paneldesign.h"
#include "panel/sortedlistbox.h"
#include "panel/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <initializer_list>

namespace {

constexpr int FontPixels = 10;

QPushButton *createButton(const QString &caption, const QString &name,
                          const PanelDesign::Rect &design, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(PanelDesign::toPixels(design));
    return button;
}

} // namespace

PanelControls::PanelControls(QWidget &window) : m_window(window)
{
    QFont panelFont(QStringLiteral("DejaVu Sans Condensed"));
    panelFont.setPixelSize(FontPixels);
    m_window.setFont(panelFont);
    m_window.setFixedSize(Twips::toPixels(PanelDesign::ClientWidth),
                          Twips::toPixels(PanelDesign::ClientHeight));
    createControls();
}

void PanelControls::createControls()
{
    m_groupListLabel = new QLabel(QStringLiteral("Lamp &Groups"), &m_window);
    m_groupListLabel->setObjectName(QStringLiteral("GroupListLabel"));
    m_groupListLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_groupListLabel->setGeometry(PanelDesign::toPixels(PanelDesign::GroupListLabel));

    m_groupList = new SortedListBox(&m_window);
    m_groupList->setObjectName(QStringLiteral("GroupList"));
    m_groupList->setGeometry(PanelDesign::toPixels(PanelDesign::GroupList));
    m_groupList->setAccessibleName(QStringLiteral("Lamp Groups"));
    m_groupListLabel->setBuddy(m_groupList);

    m_defineGroupButton
        = createButton(QStringLiteral("&Define Group"), QStringLiteral("DefineGroupButton"),
                       PanelDesign::DefineGroupButton, &m_window);
    m_removeGroupButton
        = createButton(QStringLiteral("&Remove Group"), QStringLiteral("RemoveGroupButton"),
                       PanelDesign::RemoveGroupButton, &m_window);
    m_selectGroupButton
        = createButton(QStringLiteral("&Select Group"), QStringLiteral("SelectGroupButton"),
                       PanelDesign::SelectGroupButton, &m_window);
    m_deselectAllButton
        = createButton(QStringLiteral("Deselect &All"), QStringLiteral("DeselectAllButton"),
                       PanelDesign::DeselectAllButton, &m_window);
    m_removeGroupButton->setEnabled(false);
    m_selectGroupButton->setEnabled(false);

    m_lampCountLabel = new QLabel(QStringLiteral("&Lamp(s):"), &m_window);
    m_lampCountLabel->setObjectName(QStringLiteral("LampCountLabel"));
    m_lampCountLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lampCountLabel->setGeometry(PanelDesign::toPixels(PanelDesign::LampCountLabel));

    m_lampCountList = new QComboBox(&m_window);
    m_lampCountList->setObjectName(QStringLiteral("LampCountList"));
    m_lampCountList->setEditable(false);
    m_lampCountList->setGeometry(PanelDesign::toPixels(PanelDesign::LampCountList));
    m_lampCountList->setAccessibleName(QStringLiteral("Lamp(s)"));
    // Some platforms give a drop-down list its current entry as its name and take the
    // spoken name from its label instead; the label then reads the same, without colon.
    m_lampCountLabel->setAccessibleName(m_lampCountList->accessibleName());
    m_lampCountLabel->setBuddy(m_lampCountList);

    m_columns[0] = std::make_unique<LampColumn>(0, m_window);
    setTabOrder();
}

void PanelControls::connectTo(DeskModel &desk, LampLayout &layout, LampGroups &groups,
                              LampToolTip &tip)
{
    m_desk = &desk;
    m_layout = &layout;
    m_groups = &groups;
    m_tip = &tip;
    m_groupList->watch(desk);
    connect(&desk, &DeskModel::levelsChanged, this, &PanelControls::showLevels);
    connect(&desk, &DeskModel::linksChanged, this, &PanelControls::showLinks);
    // A fader is spoken by its lamp's number and name.
    connect(&desk, &DeskModel::namesChanged, this, [this] {
        for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
            if (isMade(lamp))
                m_columns.at(lamp)->setName(m_desk->lampName(lamp));
        }
    });
    // Selected from elsewhere (a remote page): the list shows it as if clicked.
    connect(&desk, &DeskModel::groupSelected, this,
            [this](int index) { m_groupList->setCurrentRow(index); });
    connectLamp(0);
    connectGroupControls();
}

void PanelControls::connectGroupControls()
{
    connect(m_defineGroupButton, &QPushButton::clicked, this, [this] { m_groups->defineGroup(); });
    connect(m_removeGroupButton, &QPushButton::clicked, this, [this] {
        m_groups->removeGroup(m_groupList->selectedIndex());
        // Otherwise the buttons stay as they are, even with nothing selected: both then
        // find no selection and do nothing until an entry is clicked.
        if (m_desk->groups().isEmpty())
            setGroupButtonsEnabled(false);
    });
    const auto selectGroup = [this] {
        m_desk->selectGroup(m_groupList->selectedIndex());
    };
    connect(m_selectGroupButton, &QPushButton::clicked, this, selectGroup);
    connect(m_groupList, &QListWidget::itemDoubleClicked, this, selectGroup);
    connect(m_deselectAllButton, &QPushButton::clicked, this, [this] { m_desk->deselectAll(); });
    // The list box raises no notification for the program's own changes, so a
    // selection change is always the operator's click or key, or a remote selection.
    connect(m_groupList, &QListWidget::itemSelectionChanged, this,
            [this] { setGroupButtonsEnabled(m_groupList->selectedIndex() >= 0); });
    // An operator's pick, even of the entry already shown, applies the lamp count.
    connect(m_lampCountList, &QComboBox::activated, this, [this] { m_layout->arrangeLamps(); });
}

void PanelControls::createLampColumn(int lamp)
{
    Q_ASSERT(lamp > 0 && lamp < LampCommand::MaxLamps);
    if (isMade(lamp))
        return;
    m_columns.at(lamp) = std::make_unique<LampColumn>(lamp, m_window);
    m_columns.at(lamp)->setName(m_desk->lampName(lamp));
    const LampColumn &column = *m_columns.at(lamp);
    // Hidden until the layout has placed and shown it.
    for (QWidget *widget : std::initializer_list<QWidget *> {column.label(), column.display(),
                                                             column.slider(), column.checkbox()})
        widget->hide();
    // Columns follow lamp 0 in the tab order, lamp by lamp, whatever order they are made in.
    int previous = lamp - 1;
    while (!isMade(previous))
        --previous;
    QWidget::setTabOrder(m_columns.at(previous)->checkbox(), column.slider());
    QWidget::setTabOrder(column.slider(), column.checkbox());
    connectLamp(lamp);
}

void PanelControls::connectLamp(int lamp)
{
    LampSlider *slider = m_columns.at(lamp)->slider();
    QCheckBox *checkbox = m_columns.at(lamp)->checkbox();
    showLevel(lamp);
    showLink(lamp);
    // Both show the lamp's level as a number when the pointer rests on them.
    m_tip->watch(slider, lamp);
    m_tip->watch(m_columns.at(lamp)->display(), lamp);
    connect(slider, &QSlider::valueChanged, this, [this, lamp](int value) {
        if (!m_showingDesk)
            m_desk->moveLamp(lamp, levelOf(value));
    });
    connect(slider, &LampSlider::pointerMoved, this,
            [this, lamp, slider](Qt::MouseButtons buttons) {
                // The level follows a drag; motion with no button held means nothing.
                if (buttons == Qt::NoButton)
                    return;
                // A hand resting on the thumb still holds the level: the lamp goes out on
                // the next tick, and linked lamps come into line.
                m_desk->moveLamp(lamp, levelOf(slider->value()));
                // Pressing the button hid any tip; while dragging, the number follows the pointer.
                m_tip->show(lamp, QCursor::pos(), slider);
            });
    connect(checkbox, &QCheckBox::toggled, this, [this, lamp](bool checked) {
        if (!m_showingDesk)
            m_desk->setLinked(lamp, checked);
    });
}

void PanelControls::setTabOrder()
{
    const QList<QWidget *> order {
        m_groupList,         m_defineGroupButton, m_removeGroupButton,    m_selectGroupButton,
        m_deselectAllButton, m_lampCountList,     m_columns[0]->slider(), m_columns[0]->checkbox()};
    for (int k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order.at(k - 1), order.at(k));
}

void PanelControls::showLevel(int lamp)
{
    const int level = m_desk->level(lamp);
    {
        const QScopedValueRollback<bool> showing(m_showingDesk, true);
        m_columns.at(lamp)->slider()->setValue(sliderValueOf(level));
    }
    m_columns.at(lamp)->display()->setFillColor(QColor(level, level, level));
    m_columns.at(lamp)->slider()->setAccessibleDescription(QString::number(level));
    m_tip->levelChanged(lamp);
}

void PanelControls::showLink(int lamp)
{
    const QScopedValueRollback<bool> showing(m_showingDesk, true);
    m_columns.at(lamp)->checkbox()->setChecked(m_desk->isLinked(lamp));
}

void PanelControls::showLevels(DeskModel::LampSet lamps)
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if ((lamps & DeskModel::lampBit(lamp)) && isMade(lamp))
            showLevel(lamp);
    }
}

void PanelControls::showLinks(DeskModel::LampSet lamps)
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if ((lamps & DeskModel::lampBit(lamp)) && isMade(lamp))
            showLink(lamp);
    }
}

void PanelControls::setGroupButtonsEnabled(bool enabled)
{
    m_removeGroupButton->setEnabled(enabled);
    m_selectGroupButton->setEnabled(enabled);
}

int PanelControls::lampCountSelection() const
{
    return m_lampCountList->currentIndex();
}

QWidget *PanelControls::widgetFor(Item item, int lamp) const
{
    if (!isMade(lamp))
        lamp = 0;
    switch (item) {
    case Item::LampLabel:
        return m_columns.at(lamp)->label();
    case Item::LampDisplay:
        return m_columns.at(lamp)->display();
    case Item::LampSlider:
        return m_columns.at(lamp)->slider();
    case Item::LampCheckbox:
        return m_columns.at(lamp)->checkbox();
    case Item::GroupList:
        return m_groupList;
    case Item::DefineGroupButton:
        return m_defineGroupButton;
    case Item::RemoveGroupButton:
        return m_removeGroupButton;
    case Item::SelectGroupButton:
        return m_selectGroupButton;
    case Item::DeselectAllButton:
        return m_deselectAllButton;
    case Item::LampCountLabel:
        return m_lampCountLabel;
    case Item::LampCountList:
        return m_lampCountList;
    }
    Q_UNREACHABLE();
    return nullptr;
}

QWidget *PanelControls::madeWidgetFor(Item item, int lamp)
{
    const bool lampItem = item == Item::LampLabel || item == Item::LampDisplay
        || item == Item::LampSlider || item == Item::LampCheckbox;
    if (lampItem && !isMade(lamp))
        createLampColumn(lamp);
    return widgetFor(item, lamp);
}

int PanelControls::left(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->x());
}

int PanelControls::top(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->y());
}

int PanelControls::height(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->height());
}

void PanelControls::setLeft(Item item, int lamp, int twips)
{
    QWidget *widget = madeWidgetFor(item, lamp);
    widget->move(Twips::toPixels(twips), widget->y());
}

void PanelControls::setTop(Item item, int lamp, int twips)
{
    QWidget *widget = madeWidgetFor(item, lamp);
    widget->move(widget->x(), Twips::toPixels(twips));
}

void PanelControls::setHeight(Item item, int lamp, int twips)
{
    QWidget *widget = madeWidgetFor(item, lamp);
    widget->resize(widget->width(), Twips::toPixels(twips));
}

void PanelControls::setVisible(Item item, int lamp, bool visible)
{
    // A lamp never shown has nothing to hide.
    if (!visible && !isMade(lamp))
        return;
    madeWidgetFor(item, lamp)->setVisible(visible);
}

void PanelControls::setLampCaption(int lamp, const QString &caption)
{
    madeWidgetFor(Item::LampLabel, lamp);
    m_columns.at(lamp)->label()->setText(caption);
}

int PanelControls::windowWidth() const
{
    return Twips::fromPixels(m_window.width()) + PanelDesign::FrameWidth;
}

void PanelControls::setWindowWidth(int twips)
{
    m_window.setFixedWidth(Twips::toPixels(qMax(0, twips - PanelDesign::FrameWidth)));
}

void PanelControls::setWindowHeight(int twips)
{
    m_window.setFixedHeight(Twips::toPixels(qMax(0, twips - PanelDesign::FrameHeight)));
}
