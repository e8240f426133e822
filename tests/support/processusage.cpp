#include "processusage.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <QString>

#include <unistd.h>

namespace {

// Fields of /proc/PID/stat, counted from 1; the command name (field 2) may hold blanks
// and parentheses, so fields are counted from the state (field 3) after the last ')'.
constexpr int StateField = 3;
constexpr int UserTimeField = 14;
constexpr int SystemTimeField = 15;
const QByteArray ResidentKey = QByteArrayLiteral("VmRSS:");
const QByteArray PeakResidentKey = QByteArrayLiteral("VmHWM:");

std::optional<QByteArray> readEntry(qint64 pid, const QString &entry)
{
    if (pid <= 0)
        return std::nullopt;
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(entry));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// A "Key:   1234 kB" line of /proc/PID/status.
std::optional<qint64> statusKiB(qint64 pid, const QByteArray &key)
{
    const std::optional<QByteArray> status = readEntry(pid, QStringLiteral("status"));
    if (!status)
        return std::nullopt;
    for (const QByteArray &line : status->split('\n')) {
        if (!line.startsWith(key))
            continue;
        bool ok = false;
        const qint64 kib = line.mid(key.size()).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? std::optional<qint64>(kib) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<qint64> ProcessUsage::cpuTicks(qint64 pid)
{
    const std::optional<QByteArray> stat = readEntry(pid, QStringLiteral("stat"));
    if (!stat)
        return std::nullopt;
    const qsizetype close = stat->lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat->mid(close + 2).split(' ');
    if (fields.size() <= SystemTimeField - StateField)
        return std::nullopt;
    bool userOk = false;
    bool systemOk = false;
    const qint64 ticks = fields.at(UserTimeField - StateField).toLongLong(&userOk)
        + fields.at(SystemTimeField - StateField).toLongLong(&systemOk);
    if (!userOk || !systemOk)
        return std::nullopt;
    return ticks;
}

std::optional<std::chrono::milliseconds> ProcessUsage::cpuTime(qint64 pid)
{
    const std::optional<qint64> ticks = cpuTicks(pid);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (!ticks || ticksPerSecond <= 0)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(*ticks))
        / ticksPerSecond;
}

std::optional<std::chrono::nanoseconds> ProcessUsage::scheduledTime(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    if (!tasks.exists())
        return std::nullopt;
    std::chrono::nanoseconds total {0};
    const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &id : ids) {
        // First field: time spent on the CPU, in nanoseconds.
        const std::optional<QByteArray> schedstat
            = readEntry(pid, QStringLiteral("task/%1/schedstat").arg(id));
        if (!schedstat)
            return std::nullopt;
        total += std::chrono::nanoseconds(schedstat->split(' ').value(0).toLongLong());
    }
    return total;
}

std::optional<qint64> ProcessUsage::residentKiB(qint64 pid)
{
    return statusKiB(pid, ResidentKey);
}

std::optional<qint64> ProcessUsage::peakResidentKiB(qint64 pid)
{
    return statusKiB(pid, PeakResidentKey);
}

QStringList ProcessUsage::udpSockets(qint64 pid)
{
    QSet<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString name = QFileInfo(fd.symLinkTarget()).fileName();
        if (name.startsWith(QLatin1String("socket:[")))
            inodes.insert(name.mid(8).chopped(1).toLatin1());
    }
    QStringList sockets;
    for (const char *table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // heading
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
        constexpr int LocalField = 1;
        constexpr int InodeField = 9;
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() > InodeField && inodes.contains(fields.at(InodeField)))
                sockets.append(QString::fromLatin1(fields.at(LocalField)));
        }
    }
    return sockets;
}
