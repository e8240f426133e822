// bench-oscflood KELVARIS [SECONDS] [RATE]: runs the real panel with one lamp on a pty
// and remote control on a loopback UDP port, sends it RATE OSC messages a second
// (default 1,000) for SECONDS seconds (default 10), each moving lamp 0 to a new level,
// and reports the panel's processor time and the tick periods seen during the flood.
#include "monotonicclock.h"
#include "oscdatagram.h"
#include "processusage.h"
#include "recordedpanel.h"
#include "samplestatistics.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto Period = 125ms;
constexpr int DefaultSeconds = 10;
constexpr int DefaultRate = 1000;
// Start-up ticks are left out, as in the cadence bench.
constexpr int WarmUpCommands = 4;
constexpr auto StartAllowance = 15s;
constexpr int Levels = 256;
constexpr qint64 NsPerSecond = 1000000000;

double periodMs()
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(Period).count()) / 1000.0;
}

std::vector<char> lampMessage(int level)
{
    const QByteArray datagram = OscDatagram::message("/kelvaris/lamp/0", 'i', level);
    return {datagram.begin(), datagram.end()};
}

struct Flood
{
    qint64 startNs = 0;
    qint64 endNs = 0;
    int sent = 0;
    int failed = 0;
    int lastLevel = -1;
};

// Sends count messages at fixed absolute times, rate a second, so a late send does
// not push the later ones back.
Flood flood(int port, int count, int rate)
{
    std::vector<std::vector<char>> datagrams;
    for (int level = 0; level < Levels; ++level)
        datagrams.push_back(lampMessage(level));
    const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(quint16(port));

    Flood result;
    timespec next {};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    result.startNs = MonotonicClock::nowNs();
    const qint64 stepNs = NsPerSecond / rate;
    for (int n = 0; n < count; ++n) {
        // Levels 1 to 255 and round again, so every message is a change.
        const int level = 1 + n % (Levels - 1);
        const std::vector<char> &datagram = datagrams.at(std::size_t(level));
        if (::sendto(sender, datagram.data(), datagram.size(), 0,
                     reinterpret_cast<const sockaddr *>(&target), sizeof target)
            == ssize_t(datagram.size())) {
            ++result.sent;
            result.lastLevel = level;
        } else {
            ++result.failed;
        }
        next.tv_nsec += long(stepNs);
        while (next.tv_nsec >= NsPerSecond) {
            next.tv_nsec -= long(NsPerSecond);
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    result.endNs = MonotonicClock::nowNs();
    ::close(sender);
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-oscflood KELVARIS [SECONDS] [RATE]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : DefaultSeconds;
    const int rate = argc > 3 ? std::atoi(argv[3]) : DefaultRate;
    const int port = OscDatagram::freeLoopbackPort();
    if (seconds <= 0 || rate <= 0 || port == 0) {
        std::fprintf(stderr, "bench-oscflood: bad arguments or no free port\n");
        return 1;
    }

    RecordedPanel panel(QString::fromLocal8Bit(argv[1]), 1,
                        QStringLiteral("OscPort=%1\n").arg(port));
    const QString error = panel.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench-oscflood: %s\n", qPrintable(error));
        return 1;
    }
    LampCommandReader &reader = panel.reader();
    // The rotation has begun: start-up is over and the panel listens.
    if (!reader.waitForCount(WarmUpCommands, StartAllowance)) {
        std::fprintf(stderr, "bench-oscflood: the panel did not start sending\n");
        return 1;
    }
    const std::optional<std::chrono::nanoseconds> cpuBefore
        = ProcessUsage::scheduledTime(panel.pid());
    const Flood sent = flood(port, seconds * rate, rate);
    const std::optional<std::chrono::nanoseconds> cpuAfter
        = ProcessUsage::scheduledTime(panel.pid());
    // One more tick, so the last message's level can arrive.
    std::this_thread::sleep_for(2 * Period);
    panel.stop();

    std::vector<double> lengths;
    std::vector<double> deviations;
    const std::vector<LampCommandReader::Command> commands = reader.commands();
    for (std::size_t k = 1; k < commands.size(); ++k) {
        // Periods that lie wholly within the flood.
        if (commands.at(k - 1).atNs < sent.startNs || commands.at(k).atNs > sent.endNs)
            continue;
        const double length
            = MonotonicClock::msBetween(commands.at(k - 1).atNs, commands.at(k).atNs);
        lengths.push_back(length);
        deviations.push_back(std::abs(length - periodMs()));
    }
    if (lengths.empty() || !cpuBefore || !cpuAfter) {
        std::fprintf(stderr, "bench-oscflood: no periods or no CPU figures\n");
        return 1;
    }
    const SampleStatistics period(lengths);
    const SampleStatistics deviation(deviations);
    const double floodMs = MonotonicClock::msBetween(sent.startNs, sent.endNs);
    const double cpuMs = double((*cpuAfter - *cpuBefore).count()) / 1e6;
    std::printf("oscflood_messages_sent=%d\n", sent.sent);
    std::printf("oscflood_send_failures=%d\n", sent.failed);
    std::printf("oscflood_seconds=%.3f\n", floodMs / 1000.0);
    std::printf("oscflood_rate_per_s=%.1f\n", sent.sent / (floodMs / 1000.0));
    std::printf("oscflood_cpu_ms=%.1f\n", cpuMs);
    std::printf("oscflood_cpu_percent=%.2f\n", 100.0 * cpuMs / floodMs);
    std::printf("oscflood_periods=%zu\n", period.count());
    std::printf("oscflood_mean_ms=%.3f\n", period.mean());
    std::printf("oscflood_min_ms=%.3f\n", period.minimum());
    std::printf("oscflood_max_ms=%.3f\n", period.maximum());
    std::printf("oscflood_p99_dev_ms=%.3f\n", deviation.percentile(99.0));
    std::printf("oscflood_last_level_sent=%d\n", sent.lastLevel);
    std::printf("oscflood_last_level_on_line=%d\n", commands.empty() ? -1 : commands.back().level);
    std::printf("oscflood_malformed_bytes=%lld\n", reader.malformedBytes());
    return 0;
}
