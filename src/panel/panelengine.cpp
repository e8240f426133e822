#include "panel/panelengine.h"

#include "panel/panelremotesettings.h"
#include "remoteapi/remotecontrol.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>

PanelEngine::PanelEngine(SettingsStore &settings, GroupDialogs &dialogs, QObject *parent)
    : QObject(parent), m_settingsStore(settings), m_groups(m_desk, dialogs, settings)
{
    setObjectName(QStringLiteral("PanelEngine"));
    m_serialLink.setObjectName(QStringLiteral("SerialLink"));
    m_refreshTimer.setParent(this);
    m_refreshTimer.setObjectName(QStringLiteral("RefreshTimer"));
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    m_refreshTimer.setInterval(RefreshCycle::Period);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        startLine();
        // The fade's step first, so that its lamps go on this very tick.
        m_fader.step();
        m_refresh.tick();
    });
    m_refreshTimer.start();

    // A port opened again has missed every change made while it was closed.
    connect(&m_reopener, &PortReopener::reopened, this, [this] { m_desk.putAllDue(); });
    connect(&m_serialLink, &SerialLink::openChanged, this,
            [this] { Q_EMIT portStateChanged(m_serialLink.isOpen(), m_retrying); });
}

PanelEngine::~PanelEngine()
{
    // Its pages and sockets hold m_remote, which reaches the desk.
    m_remoteControl.release();
}

const PanelSettings &PanelEngine::loadDesk(const QString &levelsPath)
{
    m_settings = PanelSettings::read(m_settingsStore);
    m_levelsPath = levelsPath;
    m_desk.setNames(m_settings.panelName, m_settings.lampNames);
    m_groups.loadGroups();
    m_looks.loadLooks();
    m_remote.setDefaultFade(m_settings.fadeTime);
    m_levelsKept = m_settings.keepLevels && m_levelKeeper.restore(levelsPath);
    m_lineWaiting = true;
    return m_settings;
}

void PanelEngine::sendKeptLevels()
{
    if (m_levelsKept)
        m_desk.putAllDue();
}

bool PanelEngine::startLine()
{
    if (!m_lineWaiting)
        return false;
    m_lineWaiting = false;
    openPort();
    if (m_settings.reopenPort) {
        m_retrying = true;
        Q_EMIT portStateChanged(m_serialLink.isOpen(), m_retrying);
        m_reopener.start();
    }
    // Remote control only when a key asks for it: a panel without it loads no network
    // library. Without the module the panel runs on, and the log says why.
    if (m_settings.wantsRemoteControl()) {
        if (RemoteControl *remote = m_remoteControl.load(QCoreApplication::applicationDirPath()))
            remote->start(m_remote, remoteControlSettings(m_settings, m_levelsPath));
    }
    Q_EMIT lineStarted();
    return true;
}

void PanelEngine::openPort()
{
    // A named device (a USB adapter, say) stands in for the numbered port.
    const bool selected = m_settings.serialDevice.isEmpty()
        ? m_serialLink.selectPort(m_settings.serialPort)
        : m_serialLink.selectDevice(m_settings.serialDevice);
    if (!selected)
        return;
    // A port that does not open stays closed for the whole run, without a message.
    m_serialLink.open();
}

void PanelEngine::close()
{
    m_levelKeeper.flush();
    m_lineWaiting = false;
    m_reopener.stop();
    m_retrying = false;
    if (m_serialLink.isOpen())
        m_serialLink.close();
}
