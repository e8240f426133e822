#include "panel/panelwindow.h"

#include "panel/lampdisplay.h"
#include "panel/lampslider.h"
#include "panel/lamptooltip.h"
#include "panel/sortedlistbox.h"
#include "panel/twips.h"
#include "platform/productinfo.h"
#include "settings/panelsettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHelpEvent>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <utility>

static void initResources()
{
    Q_INIT_RESOURCE(kelvaris);
}

namespace {

constexpr int FontPixels = 10;

// A control's design place and size, in twips.
struct Design
{
    int left;
    int top;
    int width;
    int height;
};

constexpr Design GroupListLabelDesign {120, 240, 1935, 255};
constexpr Design GroupListDesign {120, 480, 1935, 3375};
constexpr std::array<Design, 4> CommandDesigns {{
    {360, 2160, 1455, 375},
    {360, 2640, 1455, 375},
    {360, 3120, 1455, 375},
    {360, 4440, 1455, 375},
}};
constexpr Design LampCountLabelDesign {480, 5100, 615, 255};
constexpr Design LampCountListDesign {1200, 5040, 675, 315};
constexpr Design LampSliderDesign {2280, 780, 630, 2895};
constexpr Design LampCheckboxDesign {2490, 3660, 195, 255};
constexpr Design LampLabelDesign {2160, 120, 855, 255};
constexpr Design LampDisplayDesign {2280, 360, 615, 375};

const std::array<QString, 4> CommandCaptions {
    QStringLiteral("&Define Group"),
    QStringLiteral("&Remove Group"),
    QStringLiteral("&Select Group"),
    QStringLiteral("Deselect &All"),
};

const std::array<QString, 4> CommandNames {
    QStringLiteral("DefineGroupButton"),
    QStringLiteral("RemoveGroupButton"),
    QStringLiteral("SelectGroupButton"),
    QStringLiteral("DeselectAllButton"),
};

void place(QWidget *widget, const Design &design)
{
    widget->setGeometry(Twips::toPixels(design.left), Twips::toPixels(design.top),
                        Twips::toPixels(design.width), Twips::toPixels(design.height));
}

QString indexed(const QString &name, int lamp)
{
    return name + QString::number(lamp);
}

} // namespace

PanelWindow::PanelWindow(const QString &settingsPath, QWidget *parent)
    : PanelWindow(SettingsFile(settingsPath), parent)
{ }

PanelWindow::PanelWindow(SettingsFile settings, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(std::move(settings))
{
    initResources();
    setObjectName(QStringLiteral("PanelWindow"));
    setWindowTitle(QLatin1String(ProductInfo::Title));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/kelvaris-32.png"));
    icon.addFile(QStringLiteral(":/icons/kelvaris-16.png"));
    setWindowIcon(icon);

    QFont panelFont(QStringLiteral("DejaVu Sans Condensed"));
    panelFont.setPixelSize(FontPixels);
    setFont(panelFont);

    setFixedSize(Twips::toPixels(DesignClientWidth), Twips::toPixels(DesignClientHeight));
    createControls();

    m_serialLink.setObjectName(QStringLiteral("SerialLink"));
    // A child of the window like every other control, found by its name.
    m_refreshTimer.setParent(this);
    m_refreshTimer.setObjectName(QStringLiteral("RefreshTimer"));
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    m_refreshTimer.setInterval(RefreshCycle::Period);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { m_refresh.tick(); });
    m_refreshTimer.start();

    // A port opened again has missed every change made while it was closed.
    connect(&m_reopener, &PortReopener::reopened, this, [this] { m_bank.markAllForSending(); });
}

PanelWindow::~PanelWindow() = default;

void PanelWindow::createControls()
{
    m_groupListLabel = new QLabel(QStringLiteral("Lamp &Groups"), this);
    m_groupListLabel->setObjectName(QStringLiteral("GroupListLabel"));
    m_groupListLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    place(m_groupListLabel, GroupListLabelDesign);

    m_groupList = new SortedListBox(this);
    m_groupList->setObjectName(QStringLiteral("GroupList"));
    place(m_groupList, GroupListDesign);
    m_groupList->setAccessibleName(QStringLiteral("Lamp Groups"));
    m_groupListLabel->setBuddy(m_groupList);

    for (int k = 0; k < int(m_commands.size()); ++k) {
        auto *button = new QPushButton(CommandCaptions.at(k), this);
        button->setObjectName(CommandNames.at(k));
        button->setAutoDefault(false);
        place(button, CommandDesigns.at(k));
        m_commands.at(k) = button;
    }
    m_commands[1]->setEnabled(false);
    m_commands[2]->setEnabled(false);

    m_lampCountLabel = new QLabel(QStringLiteral("&Lamp(s):"), this);
    m_lampCountLabel->setObjectName(QStringLiteral("LampCountLabel"));
    m_lampCountLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_lampCountLabel, LampCountLabelDesign);

    m_lampCountList = new QComboBox(this);
    m_lampCountList->setObjectName(QStringLiteral("LampCountList"));
    m_lampCountList->setEditable(false);
    place(m_lampCountList, LampCountListDesign);
    m_lampCountList->setAccessibleName(QStringLiteral("Lamp(s)"));
    // Some platforms give a drop-down list its current entry as its name and take the
    // spoken name from its label instead; the label then reads the same, without colon.
    m_lampCountLabel->setAccessibleName(m_lampCountList->accessibleName());
    m_lampCountLabel->setBuddy(m_lampCountList);

    createLampColumn(0);
    place(m_lampSliders[0], LampSliderDesign);
    place(m_lampCheckboxes[0], LampCheckboxDesign);
    place(m_lampLabels[0], LampLabelDesign);
    place(m_lampDisplays[0], LampDisplayDesign);
    m_lampLabels[0]->setText(QStringLiteral("LAMP0"));
    setTabOrder();

    m_groups = std::make_unique<LampGroups>(*m_groupList, *this, m_dialogs, m_settings);
    connect(m_commands[0], &QPushButton::clicked, this, [this] { m_groups->defineGroupClicked(); });
    connect(m_commands[1], &QPushButton::clicked, this, [this] { m_groups->removeGroupClicked(); });
    connect(m_commands[2], &QPushButton::clicked, this, [this] { m_groups->selectGroupClicked(); });
    connect(m_commands[3], &QPushButton::clicked, this, [this] { m_groups->deselectAllClicked(); });
    // The list box raises no notification for the program's own changes, so a
    // selection change is always the operator's click or key.
    connect(m_groupList, &QListWidget::itemSelectionChanged, this,
            [this] { m_groups->groupSelectionChanged(); });
    connect(m_groupList, &QListWidget::itemDoubleClicked, this,
            [this] { m_groups->groupDoubleClicked(); });
    // An operator's pick, even of the entry already shown, applies the lamp count.
    connect(m_lampCountList, &QComboBox::activated, this, [this] { m_layout.arrangeLamps(); });
}

void PanelWindow::createLampColumn(int lamp)
{
    auto *slider = new LampSlider(this);
    slider->setObjectName(indexed(QStringLiteral("LampSlider"), lamp));
    auto *checkbox = new QCheckBox(this);
    checkbox->setObjectName(indexed(QStringLiteral("LampCheckbox"), lamp));
    auto *label = new QLabel(this);
    label->setObjectName(indexed(QStringLiteral("LampLabel"), lamp));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *display = new LampDisplay(this);
    display->setObjectName(indexed(QStringLiteral("LampDisplay"), lamp));

    m_lampSliders.at(lamp) = slider;
    m_lampCheckboxes.at(lamp) = checkbox;
    m_lampLabels.at(lamp) = label;
    m_lampDisplays.at(lamp) = display;

    const QString name = indexed(QStringLiteral("LAMP"), lamp);
    slider->setAccessibleName(name);
    checkbox->setAccessibleName(QStringLiteral("Link ") + name);
    levelShown(lamp);
    // Both show the lamp's level as a number when the pointer rests on them.
    slider->installEventFilter(this);
    display->installEventFilter(this);
    connectLamp(lamp);
}

void PanelWindow::createLampCopy(int lamp)
{
    Q_ASSERT(lamp > 0 && lamp < LampCommand::MaxLamps);
    if (m_lampSliders.at(lamp))
        return;
    createLampColumn(lamp);
    // Each copy takes lamp 0's place, size and settings and starts hidden.
    const std::array<std::pair<QWidget *, QWidget *>, 4> pairs {{
        {m_lampLabels[0], m_lampLabels.at(lamp)},
        {m_lampDisplays[0], m_lampDisplays.at(lamp)},
        {m_lampSliders[0], m_lampSliders.at(lamp)},
        {m_lampCheckboxes[0], m_lampCheckboxes.at(lamp)},
    }};
    for (const auto &[original, copy] : pairs) {
        copy->setGeometry(original->geometry());
        copy->hide();
    }
    m_lampLabels.at(lamp)->setText(m_lampLabels[0]->text());
    m_lampLabels.at(lamp)->setAlignment(m_lampLabels[0]->alignment());
    // Copies follow lamp 0 in the tab order, lamp by lamp.
    QWidget *previous
        = m_lampCheckboxes.at(lamp - 1) ? m_lampCheckboxes.at(lamp - 1) : m_lampCheckboxes[0];
    QWidget::setTabOrder(previous, m_lampSliders.at(lamp));
    QWidget::setTabOrder(m_lampSliders.at(lamp), m_lampCheckboxes.at(lamp));
}

void PanelWindow::connectLamp(int lamp)
{
    LampSlider *slider = m_lampSliders.at(lamp);
    connect(slider, &QSlider::valueChanged, this, [this, lamp] {
        m_bank.lampLevelChanged(lamp);
        levelShown(lamp);
    });
    connect(slider, &LampSlider::pointerMoved, this,
            [this, lamp, slider](Qt::MouseButtons buttons) {
                // The level follows a drag; motion with no button held means nothing.
                if (buttons == Qt::NoButton)
                    return;
                m_bank.lampLevelChanged(lamp);
                // Pressing the button hid any tip; while dragging, the number follows the pointer.
                showLampTip(lamp, QCursor::pos(), slider);
            });
}

void PanelWindow::setTabOrder()
{
    const QList<QWidget *> order {m_groupList,      m_commands[0],      m_commands[1],
                                  m_commands[2],    m_commands[3],      m_lampCountList,
                                  m_lampSliders[0], m_lampCheckboxes[0]};
    for (int k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order.at(k - 1), order.at(k));
}

void PanelWindow::load()
{
    const PanelSettings settings = PanelSettings::read(m_settings);
    m_groupList->clear();
    m_lampCountList->clear();
    for (int count = PanelSettings::MinLampCount; count <= LampCommand::MaxLamps; ++count)
        m_lampCountList->addItem(QStringLiteral(" %1 ").arg(count));
    m_lampCountList->setCurrentIndex(-1);

    m_bank.reset();
    for (int lamp = 1; lamp < LampCommand::MaxLamps; ++lamp)
        createLampCopy(lamp);

    m_groups->loadGroups();

    // Selecting the entry is the list's click: it lays the lamps out.
    m_lampCountList->setCurrentIndex(settings.lampCount - 1);
    m_layout.arrangeLamps();

    openPort(settings);
    if (settings.reopenPort)
        m_reopener.start();
    // Remote control, when the settings ask for it; a port that will not bind is silent.
    m_oscReceiver.listen(settings.oscPort, settings.oscAddress);
}

void PanelWindow::openPort(const PanelSettings &settings)
{
    // A named device (a USB adapter, say) stands in for the numbered port.
    const bool selected = settings.serialDevice.isEmpty()
        ? m_serialLink.selectPort(settings.serialPort)
        : m_serialLink.selectDevice(settings.serialDevice);
    if (!selected)
        return;
    // A port that does not open stays closed for the whole run, without a message.
    m_serialLink.open();
}

int PanelWindow::lampCount() const
{
    return m_bank.lampCount();
}

void PanelWindow::moveLamp(int lamp, int level)
{
    const int value = LampCommand::MaxLevel - level;
    if (m_lampSliders.at(lamp)->value() != value) {
        m_lampSliders.at(lamp)->setValue(value); // reports the change itself
        return;
    }
    // A hand dragging the thumb onto the value it holds still reports the level,
    // so the lamp goes out on the next tick and checked lamps come into line.
    m_bank.lampLevelChanged(lamp);
}

void PanelWindow::closeEvent(QCloseEvent *event)
{
    m_reopener.stop();
    if (m_serialLink.isOpen())
        m_serialLink.close();
    event->accept();
}

bool PanelWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const int lamp = lampOfTipWidget(watched);
        if (lamp >= 0) {
            showLampTip(lamp, static_cast<QHelpEvent *>(event)->globalPos(),
                        static_cast<QWidget *>(watched));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

int PanelWindow::lampOfTipWidget(const QObject *widget) const
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if (widget && (widget == m_lampSliders.at(lamp) || widget == m_lampDisplays.at(lamp)))
            return lamp;
    }
    return -1;
}

void PanelWindow::showLampTip(int lamp, const QPoint &globalPos, QWidget *widget)
{
    m_tipLamp = lamp;
    m_tipPos = globalPos;
    m_tipWidget = widget;
    m_tipText = LampToolTip::text(lamp, m_bank.lampLevel(lamp), m_serialLink.isOpen(),
                                  m_serialLink.device());
    QToolTip::showText(globalPos, m_tipText, widget);
}

void PanelWindow::levelShown(int lamp)
{
    const int level = m_bank.lampLevel(lamp);
    m_lampSliders.at(lamp)->setAccessibleDescription(QString::number(level));
    // Only the lamp's own tip, while it is still up, follows the level.
    if (lamp == m_tipLamp && m_tipWidget && QToolTip::isVisible() && QToolTip::text() == m_tipText)
        showLampTip(lamp, m_tipPos, m_tipWidget);
}

int PanelWindow::sliderValue(int lamp) const
{
    return m_lampSliders.at(lamp)->value();
}

void PanelWindow::setSliderValue(int lamp, int value)
{
    m_lampSliders.at(lamp)->setValue(value);
}

int PanelWindow::checkboxValue(int lamp) const
{
    return m_lampCheckboxes.at(lamp)->isChecked() ? 1 : 0;
}

void PanelWindow::setDisplayGrey(int lamp, int grey)
{
    m_lampDisplays.at(lamp)->setFillColor(QColor(grey, grey, grey));
}

void PanelWindow::setCheckboxValue(int lamp, int value)
{
    m_lampCheckboxes.at(lamp)->setChecked(value == 1);
}

void PanelWindow::setRemoveGroupEnabled(bool enabled)
{
    m_commands[1]->setEnabled(enabled);
}

void PanelWindow::setSelectGroupEnabled(bool enabled)
{
    m_commands[2]->setEnabled(enabled);
}

int PanelWindow::lampCountSelection() const
{
    return m_lampCountList->currentIndex();
}

QWidget *PanelWindow::widgetFor(Item item, int lamp) const
{
    switch (item) {
    case Item::LampLabel:
        return m_lampLabels.at(lamp);
    case Item::LampDisplay:
        return m_lampDisplays.at(lamp);
    case Item::LampSlider:
        return m_lampSliders.at(lamp);
    case Item::LampCheckbox:
        return m_lampCheckboxes.at(lamp);
    case Item::GroupList:
        return m_groupList;
    case Item::DefineGroupButton:
        return m_commands[0];
    case Item::RemoveGroupButton:
        return m_commands[1];
    case Item::SelectGroupButton:
        return m_commands[2];
    case Item::DeselectAllButton:
        return m_commands[3];
    case Item::LampCountLabel:
        return m_lampCountLabel;
    case Item::LampCountList:
        return m_lampCountList;
    }
    Q_UNREACHABLE();
    return nullptr;
}

int PanelWindow::left(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->x());
}

int PanelWindow::top(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->y());
}

int PanelWindow::height(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->height());
}

void PanelWindow::setLeft(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->move(Twips::toPixels(twips), widget->y());
}

void PanelWindow::setTop(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->move(widget->x(), Twips::toPixels(twips));
}

void PanelWindow::setHeight(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->resize(widget->width(), Twips::toPixels(twips));
}

void PanelWindow::setVisible(Item item, int lamp, bool visible)
{
    widgetFor(item, lamp)->setVisible(visible);
}

void PanelWindow::setLampCaption(int lamp, const QString &caption)
{
    m_lampLabels.at(lamp)->setText(caption);
}

int PanelWindow::windowWidth() const
{
    return Twips::fromPixels(width()) + FrameWidth;
}

void PanelWindow::setWindowWidth(int twips)
{
    setFixedWidth(Twips::toPixels(qMax(0, twips - FrameWidth)));
}

void PanelWindow::setWindowHeight(int twips)
{
    setFixedHeight(Twips::toPixels(qMax(0, twips - FrameHeight)));
}
