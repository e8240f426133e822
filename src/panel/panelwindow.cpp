#include "panel/panelwindow.h"

#include "panel/lookswindow.h"
#include "platform/logging.h"
#include "platform/productinfo.h"
#include "settings/panelsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QIcon>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QShortcut>
#include <utility>

namespace {

const QString PortClosedTitle = QStringLiteral(" \u2014 serial port closed, retrying");
const QString BlackoutTitle = QStringLiteral(" \u2014 blackout");

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
    // A child like every other part of the window, found by its name.
    m_engine.setParent(this);
    m_controls.connectTo(m_engine.desk(), m_layout, m_engine.groups(), m_tip);
    connect(&m_engine, &PanelEngine::portStateChanged, this, &PanelWindow::showPortState);
    connect(&m_engine, &PanelEngine::lineStarted, this, &PanelWindow::setIcon);
    connect(&m_engine.desk(), &DeskModel::blackoutChanged, this, &PanelWindow::showTitle);
    auto *looks = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(looks, &QShortcut::activated, this, &PanelWindow::showLooks);
}

PanelWindow::~PanelWindow() = default;

void PanelWindow::load(LineStart lineStart)
{
    const PanelSettings &settings = m_engine.loadDesk(m_levelsPath);
    if (!settings.webPassword.isEmpty() && m_settings.isReadableByOthers())
        qCWarning(lcSettings).noquote()
            << QStringLiteral("%1 holds WebPassword and other users can read it: chmod 600 %1")
                   .arg(m_settings.path());

    QComboBox &lampCountList = m_controls.lampCountList();
    lampCountList.clear();
    for (int count = PanelSettings::MinLampCount; count <= LampCommand::MaxLamps; ++count)
        lampCountList.addItem(QStringLiteral(" %1 ").arg(count));
    // setCurrentIndex raises no activated, the signal an operator's pick raises, so the
    // lamps are laid out by the call that follows.
    lampCountList.setCurrentIndex(settings.lampCount - 1);
    m_layout.arrangeLamps();
    m_engine.sendKeptLevels();
    // Kept levels may bring a kept blackout.
    showTitle();

    if (lineStart == LineStart::Now)
        startLine();
}

void PanelWindow::paintEvent(QPaintEvent *event)
{
    // Queued behind the rest of this repaint, so the line starts once the frame is out.
    if (m_engine.isLineWaiting())
        QMetaObject::invokeMethod(this, &PanelWindow::startLine, Qt::QueuedConnection);
    QWidget::paintEvent(event);
}

void PanelWindow::startLine()
{
    m_engine.startLine();
}

void PanelWindow::setIcon()
{
    // The icon is read here, not at construction: reading it takes about half a
    // millisecond, as Qt looks through its image-format plugins first, and it is not
    // part of what the window draws.
    QIcon icon;
    icon.addPixmap(iconPixmap(QStringLiteral(":/icons/kelvaris-32.png")));
    icon.addPixmap(iconPixmap(QStringLiteral(":/icons/kelvaris-16.png")));
    setWindowIcon(icon);
    // Dialogs and message boxes carry the panel's icon too.
    QApplication::setWindowIcon(icon);
}

void PanelWindow::showPortState(bool open, bool retrying)
{
    if (!retrying)
        return;
    m_portClosedShown = !open;
    showTitle();
}

void PanelWindow::showTitle()
{
    QString title = QLatin1String(ProductInfo::Title);
    if (m_portClosedShown)
        title += PortClosedTitle;
    if (m_engine.desk().isBlackout())
        title += BlackoutTitle;
    setWindowTitle(title);
}

void PanelWindow::showLooks()
{
    if (!m_looksWindow)
        m_looksWindow
            = new LooksWindow(m_engine.looks(), m_engine.desk(), m_engine.defaultFade(), this);
    m_looksWindow->show();
    m_looksWindow->raise();
    m_looksWindow->activateWindow();
}

void PanelWindow::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Looks...\tCtrl+L"), this, &PanelWindow::showLooks);
    menu.exec(event->globalPos());
}

void PanelWindow::closeEvent(QCloseEvent *event)
{
    m_engine.close();
    event->accept();
}
