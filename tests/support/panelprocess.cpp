#include "panelprocess.h"

#include "filebytes.h"
#include "noserialportsenvironment.h"
#include "processusage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString PanelPath = QStringLiteral(KELVARIS_EXECUTABLE);

} // namespace

PanelProcess::PanelProcess() : PanelProcess(PanelPath) { }

PanelProcess::PanelProcess(QString executable) : m_original(std::move(executable))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PanelProcess::~PanelProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool PanelProcess::prepare(const QByteArray &settings)
{
    if (!m_dir.isValid() || !QFile::copy(m_original, executable()))
        return false;
    // Remote control's module goes with the panel, as in a build tree or a portable copy.
    const QString module
        = QFileInfo(m_original).dir().filePath(QStringLiteral(KELVARIS_MODULE_FILE));
    if (QFileInfo::exists(module) && !QFile::copy(module, remoteModule()))
        return false;
    return settings.isNull() || FileBytes::write(settingsPath(), settings);
}

bool PanelProcess::start(const QStringList &wrapper)
{
    // Settings naming no device make the panel open port 1, the machine's own.
    NoSerialPortsEnvironment::apply(m_process);
    // Named, so that no run depends on where the build tree lies.
    const QStringList arguments {QStringLiteral("--settings"), settingsPath()};
    if (wrapper.isEmpty())
        m_process.start(executable(), arguments);
    else
        m_process.start(wrapper.first(), wrapper.mid(1) + QStringList {executable()} + arguments);
    return m_process.waitForStarted(int(StartTimeout.count()));
}

bool PanelProcess::terminate()
{
    m_process.terminate();
    return m_process.waitForFinished(int(StartTimeout.count()));
}

std::optional<std::chrono::milliseconds> PanelProcess::cpuTime() const
{
    if (m_process.state() != QProcess::Running)
        return std::nullopt;
    return ProcessUsage::cpuTime(m_process.processId());
}

QString PanelProcess::executable() const
{
    return m_dir.filePath(QStringLiteral("kelvaris"));
}

QString PanelProcess::settingsPath() const
{
    return m_dir.filePath(QStringLiteral("Kelvaris.ini"));
}

QByteArray PanelProcess::settings() const
{
    return FileBytes::read(settingsPath());
}

QString PanelProcess::remoteModule() const
{
    return m_dir.filePath(QStringLiteral(KELVARIS_MODULE_FILE));
}
