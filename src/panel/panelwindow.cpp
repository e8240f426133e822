#include "panel/panelwindow.h"

#include "panel/panelremotesettings.h"
#include "platform/productinfo.h"
#include "remoteapi/remotecontrol.h"
#include "settings/panelsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <utility>

namespace {

const QString PortClosedTitle = QStringLiteral(" \u2014 serial port closed, retrying");

// Read as PNG and nothing else. Left to guess, the reader first asks every installed
// image-format plugin whether it reads PNG too, which loads each of them: more time
// than the rest of the window's making.
QPixmap iconPixmap(const QString &path)
{
    QImageReader reader(path, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

static void initResources()
{
    Q_INIT_RESOURCE(kelvaris);
}

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

    m_controls.connectTo(m_bank, m_layout, m_groups, m_tip);

    m_serialLink.setObjectName(QStringLiteral("SerialLink"));
    // A child of the window like every other control, found by its name.
    m_refreshTimer.setParent(this);
    m_refreshTimer.setObjectName(QStringLiteral("RefreshTimer"));
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    m_refreshTimer.setInterval(RefreshCycle::Period);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        startLine();
        m_refresh.tick();
        m_levelKeeper.levelsMayHaveChanged();
    });
    m_refreshTimer.start();

    // A port opened again has missed every change made while it was closed.
    connect(&m_reopener, &PortReopener::reopened, this, [this] { m_bank.markAllForSending(); });
    connect(&m_serialLink, &SerialLink::openChanged, this, &PanelWindow::showPortState);
}

PanelWindow::~PanelWindow()
{
    // The module goes before anything it reaches: its pages and sockets hold m_remote,
    // which reaches the controls, the bank and the groups.
    m_remoteControl.release();
}

void PanelWindow::load(LineStart lineStart)
{
    const PanelSettings settings = PanelSettings::read(m_settings);
    SortedListBox &groupList = m_controls.groupList();
    QComboBox &lampCountList = m_controls.lampCountList();
    groupList.clear();
    lampCountList.clear();
    for (int count = PanelSettings::MinLampCount; count <= LampCommand::MaxLamps; ++count)
        lampCountList.addItem(QStringLiteral(" %1 ").arg(count));
    lampCountList.setCurrentIndex(-1);

    // Lamps beyond the count get their controls only when a larger count shows them.
    m_bank.reset();

    m_groups.loadGroups();
    // The layout puts the sliders at the kept levels, as for a changed count.
    const bool restored = settings.keepLevels && m_levelKeeper.restore(m_levelsPath);

    // setCurrentIndex raises no activated, the signal an operator's pick raises, so the
    // lamps are laid out by the call that follows.
    lampCountList.setCurrentIndex(settings.lampCount - 1);
    m_layout.arrangeLamps();
    // The controller learns every kept level on the first tick, not over a rotation.
    if (restored)
        m_bank.markAllForSending();

    m_lineWaiting = settings;
    if (lineStart == LineStart::Now)
        startLine();
}

void PanelWindow::paintEvent(QPaintEvent *event)
{
    // Queued behind the rest of this repaint, so the line starts once the frame is out.
    if (m_lineWaiting)
        QMetaObject::invokeMethod(this, &PanelWindow::startLine, Qt::QueuedConnection);
    QWidget::paintEvent(event);
}

void PanelWindow::startLine()
{
    if (!m_lineWaiting)
        return;
    const PanelSettings settings = *std::exchange(m_lineWaiting, std::nullopt);
    // The icon is read here, not at construction: reading it takes about half a
    // millisecond, as Qt looks through its image-format plugins first, and it is not
    // part of what the window draws.
    QIcon icon;
    icon.addPixmap(iconPixmap(QStringLiteral(":/icons/kelvaris-32.png")));
    icon.addPixmap(iconPixmap(QStringLiteral(":/icons/kelvaris-16.png")));
    setWindowIcon(icon);
    // Dialogs and message boxes carry the panel's icon too.
    QApplication::setWindowIcon(icon);

    openPort(settings);
    if (settings.reopenPort) {
        m_portInTitle = true;
        showPortState();
        m_reopener.start();
    }
    // Remote control only when a key asks for it: a panel without it loads no network
    // library. Without the module the panel runs on, and the log says why.
    if (settings.wantsRemoteControl()) {
        if (RemoteControl *remote = m_remoteControl.load(QCoreApplication::applicationDirPath()))
            remote->start(m_remote, remoteControlSettings(settings));
    }
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

void PanelWindow::showPortState()
{
    if (!m_portInTitle)
        return;
    const QString title = QLatin1String(ProductInfo::Title);
    setWindowTitle(m_serialLink.isOpen() ? title : title + PortClosedTitle);
}

void PanelWindow::closeEvent(QCloseEvent *event)
{
    m_levelKeeper.flush();
    // A window closed before its first frame never starts the line.
    m_lineWaiting.reset();
    m_reopener.stop();
    m_portInTitle = false;
    if (m_serialLink.isOpen())
        m_serialLink.close();
    event->accept();
}
