#include "launchclock.h"

#include "monotonicclock.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int StartTimeField = 22; // in /proc/PID/stat, counted from 1
constexpr int FirstFieldAfterName = 3;

// The kernel's start time is in clock ticks since boot, on the boot-time clock.
qint64 kernelStartNs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return MonotonicClock::nowNs();
    const QByteArray line = stat.readAll();
    // The command name is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const qint64 ticks = fields.value(StartTimeField - FirstFieldAfterName).toLongLong();
    const qint64 startSinceBootNs = ticks * 1'000'000'000 / ::sysconf(_SC_CLK_TCK);

    timespec boot {};
    ::clock_gettime(CLOCK_BOOTTIME, &boot);
    const qint64 bootNowNs = qint64(boot.tv_sec) * 1'000'000'000 + boot.tv_nsec;
    return MonotonicClock::nowNs() - (bootNowNs - startSinceBootNs);
}

} // namespace

qint64 LaunchClock::startNs()
{
    bool stamped = false;
    const qint64 stampNs = qEnvironmentVariable(EnvironmentName).toLongLong(&stamped);
    return stamped ? stampNs : kernelStartNs();
}
