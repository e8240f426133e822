// bench-cadence KELVARIS [PERIODS]: runs the real panel with one lamp on a pty, so every
// tick sends exactly one command, and measures the periods between the commands as
// they reach the far end.
#include "lampcommandreader.h"
#include "monotonicclock.h"
#include "recordedpanel.h"
#include "samplestatistics.h"

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using namespace std::chrono_literals;

constexpr auto Period = 125ms;
constexpr int DefaultPeriods = 160;
// The first ticks overlap the panel's own start-up and are left out.
constexpr int WarmUpCommands = 4;
constexpr auto StartAllowance = 15s;

double periodMs()
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(Period).count()) / 1000.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-cadence KELVARIS [PERIODS]\n");
        return 2;
    }
    const int periods = argc > 2 ? std::atoi(argv[2]) : DefaultPeriods;

    RecordedPanel panel(QString::fromLocal8Bit(argv[1]), 1);
    const QString error = panel.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench-cadence: %s\n", qPrintable(error));
        return 1;
    }
    LampCommandReader &reader = panel.reader();
    const std::size_t wanted = std::size_t(WarmUpCommands + periods + 1);
    const bool complete = reader.waitForCount(wanted, StartAllowance + Period * (wanted + 1));
    panel.stop();

    const std::vector<LampCommandReader::Command> commands = reader.commands();
    if (!complete || commands.size() < wanted) {
        std::fprintf(stderr, "bench-cadence: only %zu of %zu commands arrived\n", commands.size(),
                     wanted);
        return 1;
    }
    std::vector<double> lengths;
    std::vector<double> deviations;
    for (std::size_t k = WarmUpCommands + 1; k < wanted; ++k) {
        const double length
            = MonotonicClock::msBetween(commands.at(k - 1).atNs, commands.at(k).atNs);
        lengths.push_back(length);
        deviations.push_back(std::abs(length - periodMs()));
    }
    const SampleStatistics period(lengths);
    const SampleStatistics deviation(deviations);
    std::printf("cadence_periods=%zu\n", period.count());
    std::printf("cadence_mean_ms=%.3f\n", period.mean());
    std::printf("cadence_min_ms=%.3f\n", period.minimum());
    std::printf("cadence_max_ms=%.3f\n", period.maximum());
    std::printf("cadence_p99_dev_ms=%.3f\n", deviation.percentile(99.0));
    std::printf("cadence_malformed_bytes=%lld\n", reader.malformedBytes());
    return 0;
}
