// bench-idle KELVARIS [SECONDS] [LAMPS]: runs the real panel on a pty with nobody
// touching it, drains the line, and reports its CPU use over the window and its peak
// resident memory.
#include "lampcommandreader.h"
#include "monotonicclock.h"
#include "processusage.h"
#include "recordedpanel.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr int DefaultSeconds = 10;
constexpr int DefaultLampCount = 16;
// Commands to wait for before measuring: the panel is up and ticking for 3 s.
constexpr std::size_t SettledCommands = 24;
constexpr auto StartAllowance = 20s;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-idle KELVARIS [SECONDS] [LAMPS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : DefaultSeconds;
    const int lampCount = argc > 3 ? std::atoi(argv[3]) : DefaultLampCount;

    RecordedPanel panel(QString::fromLocal8Bit(argv[1]), lampCount);
    const QString error = panel.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench-idle: %s\n", qPrintable(error));
        return 1;
    }
    LampCommandReader &reader = panel.reader();
    if (!reader.waitForCount(SettledCommands, StartAllowance)) {
        std::fprintf(stderr, "bench-idle: the panel sent nothing\n");
        return 1;
    }

    const qint64 pid = panel.pid();
    const std::size_t commandsBefore = reader.commands().size();
    const qint64 wallBeforeNs = MonotonicClock::nowNs();
    const std::optional<qint64> ticksBefore = ProcessUsage::cpuTicks(pid);
    const std::optional<std::chrono::nanoseconds> nsBefore = ProcessUsage::scheduledTime(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::optional<qint64> ticksAfter = ProcessUsage::cpuTicks(pid);
    const std::optional<std::chrono::nanoseconds> nsAfter = ProcessUsage::scheduledTime(pid);
    const qint64 wallAfterNs = MonotonicClock::nowNs();
    const std::size_t commandsAfter = reader.commands().size();
    const std::optional<qint64> peakKiB = ProcessUsage::peakResidentKiB(pid);
    panel.stop();

    if (!ticksBefore || !ticksAfter || !peakKiB) {
        std::fprintf(stderr, "bench-idle: cannot read /proc for the panel\n");
        return 1;
    }
    const double wallS = double(wallAfterNs - wallBeforeNs) / 1e9;
    const double cpuS = double(*ticksAfter - *ticksBefore) / double(::sysconf(_SC_CLK_TCK));
    std::printf("idle_seconds=%.3f\n", wallS);
    std::printf("idle_commands=%zu\n", commandsAfter - commandsBefore);
    std::printf("idle_cpu_percent=%.3f\n", 100.0 * cpuS / wallS);
    if (nsBefore && nsAfter)
        std::printf("idle_cpu_exact_percent=%.4f\n",
                    100.0 * double((*nsAfter - *nsBefore).count()) / 1e9 / wallS);
    std::printf("idle_peak_rss_mib=%.1f\n", double(*peakKiB) / 1024.0);
    return 0;
}
