#include "panelprocess.h"

#include "noserialportsenvironment.h"

#include <QFile>

#include <unistd.h>

namespace {

const QString PanelPath = QStringLiteral(KELVARIS_EXECUTABLE);

// Fields of /proc/PID/stat after the command name: state is field 3, utime 14, stime 15.
constexpr int UserTimeField = 14 - 3;
constexpr int SystemTimeField = 15 - 3;

} // namespace

PanelProcess::PanelProcess()
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
    if (!m_dir.isValid() || !QFile::copy(PanelPath, executable()))
        return false;
    if (settings.isNull())
        return true;
    QFile file(settingsPath());
    return file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size();
}

bool PanelProcess::start(const QStringList &wrapper)
{
    // Settings naming no device make the panel open port 1, the machine's own.
    NoSerialPortsEnvironment::apply(m_process);
    if (wrapper.isEmpty())
        m_process.start(executable(), {});
    else
        m_process.start(wrapper.first(), wrapper.mid(1) + QStringList {executable()});
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
    return cpuTimeOf(m_process.processId());
}

std::optional<std::chrono::milliseconds> PanelProcess::cpuTimeOf(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name may hold blanks and parentheses; the fields follow the last ')'.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() <= SystemTimeField)
        return std::nullopt;
    bool userOk = false;
    bool systemOk = false;
    const qint64 ticks = fields.at(UserTimeField).toLongLong(&userOk)
        + fields.at(SystemTimeField).toLongLong(&systemOk);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (!userOk || !systemOk || ticksPerSecond <= 0)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(ticks))
        / ticksPerSecond;
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
    QFile file(settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
