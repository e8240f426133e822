#pragma once

#include <QStringList>
#include <QtGlobal>
#include <chrono>
#include <optional>

// What a running process has used so far, read from /proc/PID. Empty when the process
// is gone or the entry cannot be read.
class ProcessUsage final
{
public:
    ProcessUsage() = delete;

    // utime + stime of the whole process, in clock ticks (sysconf(_SC_CLK_TCK)).
    static std::optional<qint64> cpuTicks(qint64 pid);
    // The same as a time: user and system together, to the clock tick.
    static std::optional<std::chrono::milliseconds> cpuTime(qint64 pid);
    // The time all its threads have run, from the scheduler's own account, which is
    // kept in nanoseconds rather than whole ticks.
    static std::optional<std::chrono::nanoseconds> scheduledTime(qint64 pid);
    // VmRSS: the resident set now, in KiB.
    static std::optional<qint64> residentKiB(qint64 pid);
    // VmHWM: the peak resident set, in KiB.
    static std::optional<qint64> peakResidentKiB(qint64 pid);
    // The local addresses of the UDP sockets it holds, as "address:port" in the
    // hexadecimal of /proc/net/udp ("0100007F:2328" is 127.0.0.1:9000).
    static QStringList udpSockets(qint64 pid);
};
