#pragma once

#include <QtGlobal>

// When this process began, on the monotonic clock. bench-launch stamps the moment
// just before it replaces itself with the program (same process, so exec, dynamic
// linking and static initialisation are all counted). Without that stamp the
// kernel's process start time is used, which is only good to a clock tick (10 ms).
class LaunchClock final
{
public:
    static constexpr const char *EnvironmentName = "KELVARIS_BENCH_EXEC_NS";

    static qint64 startNs();
};
