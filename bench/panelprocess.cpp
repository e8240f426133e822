#include "panelprocess.h"

#include "panelini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

constexpr int UserTimeField = 14; // in /proc/PID/stat, counted from 1
constexpr int SystemTimeField = 15;
constexpr int FirstFieldAfterName = 3;
constexpr int StopGraceMs = 3000;

std::optional<QByteArray> readProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

PanelProcess::PanelProcess(const QString &executable, int lampCount, const QString &device,
                           const QString &extraSettings)
    : m_executable(executable)
    , m_lampCount(lampCount)
    , m_device(device)
    , m_extraSettings(extraSettings)
{ }

PanelProcess::~PanelProcess()
{
    stop();
}

QString PanelProcess::start()
{
    if (!m_folder.isValid())
        return QStringLiteral("no temporary folder");
    const QString copy = QDir(m_folder.path()).filePath(QFileInfo(m_executable).fileName());
    if (!QFile::copy(m_executable, copy))
        return QStringLiteral("cannot copy %1").arg(m_executable);
    if (PanelIni::write(m_folder.path(), m_lampCount, m_device, m_extraSettings).isEmpty())
        return QStringLiteral("cannot write Kelvaris.ini");
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(copy, {});
    if (!m_process.waitForStarted())
        return QStringLiteral("cannot start %1: %2").arg(copy, m_process.errorString());
    return {};
}

void PanelProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(StopGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(StopGraceMs);
    }
}

qint64 PanelProcess::pid() const
{
    return m_process.processId();
}

QString PanelProcess::procPath(const QString &entry) const
{
    return QStringLiteral("/proc/%1/%2").arg(pid()).arg(entry);
}

std::optional<qint64> PanelProcess::cpuTicks() const
{
    const std::optional<QByteArray> stat = readProcFile(procPath(QStringLiteral("stat")));
    if (!stat)
        return std::nullopt;
    // The command name is in parentheses and may hold spaces.
    const QList<QByteArray> fields = stat->mid(stat->lastIndexOf(')') + 2).split(' ');
    if (fields.size() <= SystemTimeField - FirstFieldAfterName)
        return std::nullopt;
    return fields.at(UserTimeField - FirstFieldAfterName).toLongLong()
        + fields.at(SystemTimeField - FirstFieldAfterName).toLongLong();
}

std::optional<qint64> PanelProcess::cpuNs() const
{
    const QDir tasks(procPath(QStringLiteral("task")));
    if (!tasks.exists())
        return std::nullopt;
    qint64 total = 0;
    const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &id : ids) {
        // First field: time spent on the CPU, in nanoseconds.
        const std::optional<QByteArray> schedstat
            = readProcFile(tasks.filePath(id + QStringLiteral("/schedstat")));
        if (!schedstat)
            return std::nullopt;
        total += schedstat->split(' ').value(0).toLongLong();
    }
    return total;
}

std::optional<qint64> PanelProcess::peakResidentKiB() const
{
    const std::optional<QByteArray> status = readProcFile(procPath(QStringLiteral("status")));
    if (!status)
        return std::nullopt;
    for (const QByteArray &line : status->split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return std::nullopt;
}
