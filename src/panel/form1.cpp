#include "panel/form1.h"

#include "osc/oscsettings.h"
#include "panel/lampdisplay.h"
#include "panel/lampslider.h"
#include "panel/lamptooltip.h"
#include "panel/sortedlistbox.h"
#include "panel/startupsettings.h"
#include "panel/twips.h"
#include "platform/productinfo.h"

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

constexpr Design Label4Design {120, 240, 1935, 255};
constexpr Design List1Design {120, 480, 1935, 3375};
constexpr std::array<Design, 4> CommandDesigns {{
    {360, 2160, 1455, 375},
    {360, 2640, 1455, 375},
    {360, 3120, 1455, 375},
    {360, 4440, 1455, 375},
}};
constexpr Design Label1Design {480, 5100, 615, 255};
constexpr Design Combo1Design {1200, 5040, 675, 315};
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

Form1::Form1(const QString &settingsPath, QWidget *parent)
    : Form1(SettingsFile(settingsPath), parent)
{ }

Form1::Form1(SettingsFile settings, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(std::move(settings))
{
    initResources();
    setObjectName(QStringLiteral("Form1"));
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

    m_kelvarisPort.setObjectName(QStringLiteral("KelvarisPort"));
    // A child of the window like every other control, found by its name.
    m_timer1.setParent(this);
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer1.setInterval(RefreshCycle::Period);
    connect(&m_timer1, &QTimer::timeout, this, [this] { m_refresh.tick(); });
    m_timer1.start();

    // A port opened again has missed every change made while it was closed.
    connect(&m_reopener, &PortReopener::reopened, this, [this] { m_bank.markAllForSending(); });
}

Form1::~Form1() = default;

void Form1::createControls()
{
    m_label4 = new QLabel(QStringLiteral("Lamp &Groups"), this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    place(m_label4, Label4Design);

    m_list1 = new SortedListBox(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    place(m_list1, List1Design);
    m_list1->setAccessibleName(QStringLiteral("Lamp Groups"));
    m_label4->setBuddy(m_list1);

    for (int k = 0; k < int(m_commands.size()); ++k) {
        auto *button = new QPushButton(CommandCaptions.at(k), this);
        button->setObjectName(indexed(QStringLiteral("Command"), k + 1));
        button->setAutoDefault(false);
        place(button, CommandDesigns.at(k));
        m_commands.at(k) = button;
    }
    m_commands[1]->setEnabled(false);
    m_commands[2]->setEnabled(false);

    m_label1 = new QLabel(QStringLiteral("&Lamp(s):"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_label1, Label1Design);

    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(false);
    place(m_combo1, Combo1Design);
    m_combo1->setAccessibleName(QStringLiteral("Lamp(s)"));
    // Some platforms give a drop-down list its current entry as its name and take the
    // spoken name from its label instead; the label then reads the same, without colon.
    m_label1->setAccessibleName(m_combo1->accessibleName());
    m_label1->setBuddy(m_combo1);

    createLampColumn(0);
    place(m_lampSliders[0], LampSliderDesign);
    place(m_lampCheckboxes[0], LampCheckboxDesign);
    place(m_lampLabels[0], LampLabelDesign);
    place(m_lampDisplays[0], LampDisplayDesign);
    m_lampLabels[0]->setText(QStringLiteral("LAMP0"));
    setTabOrder();

    m_groups = std::make_unique<LampGroups>(*m_list1, *this, m_dialogs, m_settings);
    connect(m_commands[0], &QPushButton::clicked, this, [this] { m_groups->Command1_Click(); });
    connect(m_commands[1], &QPushButton::clicked, this, [this] { m_groups->Command2_Click(); });
    connect(m_commands[2], &QPushButton::clicked, this, [this] { m_groups->Command3_Click(); });
    connect(m_commands[3], &QPushButton::clicked, this, [this] { m_groups->Command4_Click(); });
    // The list box raises no notification for the program's own changes, so a
    // selection change is always the operator's click or key.
    connect(m_list1, &QListWidget::itemSelectionChanged, this, [this] { m_groups->List1_Click(); });
    connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { m_groups->List1_DblClick(); });
    // An operator's pick, even of the entry already shown, applies the lamp count.
    connect(m_combo1, &QComboBox::activated, this, [this] { m_layout.ArrangeLamps(); });
}

void Form1::createLampColumn(int lamp)
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

void Form1::createLampCopy(int lamp)
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

void Form1::connectLamp(int lamp)
{
    LampSlider *slider = m_lampSliders.at(lamp);
    connect(slider, &QSlider::valueChanged, this, [this, lamp] {
        m_bank.LampLevelChanged(lamp);
        levelShown(lamp);
    });
    connect(slider, &LampSlider::pointerMoved, this,
            [this, lamp, slider](Qt::MouseButtons buttons) {
                // The level follows a drag; motion with no button held means nothing.
                if (buttons == Qt::NoButton)
                    return;
                m_bank.LampLevelChanged(lamp);
                // Pressing the button hid any tip; while dragging, the number follows the pointer.
                showLampTip(lamp, QCursor::pos(), slider);
            });
}

void Form1::setTabOrder()
{
    const QList<QWidget *> order {m_list1,          m_commands[0],      m_commands[1],
                                  m_commands[2],    m_commands[3],      m_combo1,
                                  m_lampSliders[0], m_lampCheckboxes[0]};
    for (int k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order.at(k - 1), order.at(k));
}

void Form1::load()
{
    m_list1->clear();
    m_combo1->clear();
    for (int count = StartupSettings::MinLampCount; count <= LampCommand::MaxLamps; ++count)
        m_combo1->addItem(QStringLiteral(" %1 ").arg(count));
    m_combo1->setCurrentIndex(-1);

    m_bank.reset();
    for (int lamp = 1; lamp < LampCommand::MaxLamps; ++lamp)
        createLampCopy(lamp);

    m_groups->LoadGroups();

    // Selecting the entry is the list's click: it lays the lamps out.
    m_combo1->setCurrentIndex(StartupSettings::readLampCount(m_settings) - 1);
    m_layout.ArrangeLamps();

    openPort();
    if (StartupSettings::readReopenPort(m_settings))
        m_reopener.start();
    // Remote control, when the settings ask for it; a port that will not bind is silent.
    m_oscReceiver.listen(OscSettings::read(m_settings));
}

void Form1::openPort()
{
    const qint16 portNumber = StartupSettings::readPortNumber(m_settings);
    const QString device = StartupSettings::readSerialDevice(m_settings);
    // A named device (a USB adapter, say) stands in for the numbered port.
    const bool selected = device.isEmpty() ? m_kelvarisPort.selectPort(portNumber)
                                           : m_kelvarisPort.selectDevice(device);
    if (!selected
        || !m_kelvarisPort.setLineSettings(QLatin1String(LineSettings::LampControllerText)))
        return;
    // A port that does not open stays closed for the whole run, without a message.
    m_kelvarisPort.open();
}

int Form1::lampCount() const
{
    return m_bank.LampCount();
}

void Form1::moveLamp(int lamp, int level)
{
    const int value = LampCommand::MaxLevel - level;
    if (m_lampSliders.at(lamp)->value() != value) {
        m_lampSliders.at(lamp)->setValue(value); // reports the change itself
        return;
    }
    // A hand dragging the thumb onto the value it holds still reports the level,
    // so the lamp goes out on the next tick and checked lamps come into line.
    m_bank.LampLevelChanged(lamp);
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_reopener.stop();
    if (m_kelvarisPort.isOpen())
        m_kelvarisPort.close();
    event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
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

int Form1::lampOfTipWidget(const QObject *widget) const
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if (widget && (widget == m_lampSliders.at(lamp) || widget == m_lampDisplays.at(lamp)))
            return lamp;
    }
    return -1;
}

void Form1::showLampTip(int lamp, const QPoint &globalPos, QWidget *widget)
{
    m_tipLamp = lamp;
    m_tipPos = globalPos;
    m_tipWidget = widget;
    m_tipText = LampToolTip::text(lamp, m_bank.LampLevel(lamp), m_kelvarisPort.isOpen(),
                                  m_kelvarisPort.device());
    QToolTip::showText(globalPos, m_tipText, widget);
}

void Form1::levelShown(int lamp)
{
    const int level = m_bank.LampLevel(lamp);
    m_lampSliders.at(lamp)->setAccessibleDescription(QString::number(level));
    // Only the lamp's own tip, while it is still up, follows the level.
    if (lamp == m_tipLamp && m_tipWidget && QToolTip::isVisible() && QToolTip::text() == m_tipText)
        showLampTip(lamp, m_tipPos, m_tipWidget);
}

int Form1::sliderValue(int lamp) const
{
    return m_lampSliders.at(lamp)->value();
}

void Form1::setSliderValue(int lamp, int value)
{
    m_lampSliders.at(lamp)->setValue(value);
}

int Form1::checkboxValue(int lamp) const
{
    return m_lampCheckboxes.at(lamp)->isChecked() ? 1 : 0;
}

void Form1::setDisplayGrey(int lamp, int grey)
{
    m_lampDisplays.at(lamp)->setFillColor(QColor(grey, grey, grey));
}

void Form1::setCheckboxValue(int lamp, int value)
{
    m_lampCheckboxes.at(lamp)->setChecked(value == 1);
}

void Form1::setRemoveGroupEnabled(bool enabled)
{
    m_commands[1]->setEnabled(enabled);
}

void Form1::setSelectGroupEnabled(bool enabled)
{
    m_commands[2]->setEnabled(enabled);
}

int Form1::comboSelection() const
{
    return m_combo1->currentIndex();
}

QWidget *Form1::widgetFor(Item item, int lamp) const
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
    case Item::List1:
        return m_list1;
    case Item::Command1:
        return m_commands[0];
    case Item::Command2:
        return m_commands[1];
    case Item::Command3:
        return m_commands[2];
    case Item::Command4:
        return m_commands[3];
    case Item::Label1:
        return m_label1;
    case Item::Combo1:
        return m_combo1;
    }
    Q_UNREACHABLE();
    return nullptr;
}

int Form1::left(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->x());
}

int Form1::top(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->y());
}

int Form1::height(Item item, int lamp) const
{
    return Twips::fromPixels(widgetFor(item, lamp)->height());
}

void Form1::setLeft(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->move(Twips::toPixels(twips), widget->y());
}

void Form1::setTop(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->move(widget->x(), Twips::toPixels(twips));
}

void Form1::setHeight(Item item, int lamp, int twips)
{
    QWidget *widget = widgetFor(item, lamp);
    widget->resize(widget->width(), Twips::toPixels(twips));
}

void Form1::setVisible(Item item, int lamp, bool visible)
{
    widgetFor(item, lamp)->setVisible(visible);
}

void Form1::setLampCaption(int lamp, const QString &caption)
{
    m_lampLabels.at(lamp)->setText(caption);
}

int Form1::windowWidth() const
{
    return Twips::fromPixels(width()) + FrameWidth;
}

void Form1::setWindowWidth(int twips)
{
    setFixedWidth(Twips::toPixels(qMax(0, twips - FrameWidth)));
}

void Form1::setWindowHeight(int twips)
{
    setFixedHeight(Twips::toPixels(qMax(0, twips - FrameHeight)));
}
