// bench-fade KELVARIS [SECONDS]: runs the real panel with 16 lamps on a pty and remote
// control on a loopback UDP port, recalls over OSC a look kept in its settings file
// with a fade of SECONDS seconds (default 10) from every lamp at 0, and reports the
// tick periods during the fade, the bytes each tick put on the line, and how late
// every step of the fade reached the far end against its time on the straight line
// (a step counts as beyond a tick when it came before its time, or more than a period
// after it beyond the OSC datagram's own way to the panel).
#include "monotonicclock.h"
#include "oscdatagram.h"
#include "recordedpanel.h"
#include "samplestatistics.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

using namespace std::chrono_literals;

constexpr auto Period = 125ms;
constexpr int DefaultSeconds = 10;
constexpr int Lamps = 16;
constexpr int WarmUpCommands = 4;
constexpr auto StartAllowance = 15s;
// Commands closer than this belong to one tick: a tick writes its commands at once.
constexpr auto SameTick = 40ms;
// After the fade, long enough for the last step and a few ticks of rotation.
constexpr auto Tail = 1s;
constexpr int CommandBytes = 5;
constexpr int FullLevel = 255;
constexpr int LevelStepPerLamp = 10;
constexpr double NsPerMs = 1e6;

// Lamp n fades from 0 to 255 - 10 n, so no two lamps run alike.
int target(int lamp)
{
    return FullLevel - LevelStepPerLamp * lamp;
}

QString lookSettings(int oscPort)
{
    QStringList levels;
    for (int lamp = 0; lamp < Lamps; ++lamp)
        levels.append(QString::number(target(lamp)));
    return QStringLiteral("OscPort=%1\nLook1=Bench\nLookLevels1=%2\n")
        .arg(oscPort)
        .arg(levels.join(QLatin1Char(',')));
}

double periodMs()
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(Period).count()) / 1000.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-fade KELVARIS [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : DefaultSeconds;
    const std::chrono::nanoseconds fade = std::chrono::seconds(seconds);
    const quint16 port = OscDatagram::freeLoopbackPort();

    RecordedPanel panel(QString::fromLocal8Bit(argv[1]), Lamps, lookSettings(port));
    const QString error = panel.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench-fade: %s\n", qPrintable(error));
        return 1;
    }
    LampCommandReader &reader = panel.reader();
    // The rotation is running: start-up is over and OSC listens.
    if (!reader.waitForCount(WarmUpCommands, StartAllowance)) {
        std::fprintf(stderr, "bench-fade: the panel sent nothing\n");
        return 1;
    }
    const std::size_t before = reader.commands().size();
    QUdpSocket sender;
    const QByteArray recall = OscDatagram::message(
        "/kelvaris/look/recall", {OscDatagram::Argument::string("Bench"), {'f', double(seconds)}});
    const qint64 sentNs = MonotonicClock::nowNs();
    sender.writeDatagram(recall, QHostAddress::LocalHost, port);
    QThread::sleep(std::chrono::duration_cast<std::chrono::seconds>(fade + Tail).count());
    panel.stop();

    const std::vector<LampCommandReader::Command> all = reader.commands();
    const std::vector<LampCommandReader::Command> commands(all.begin() + std::ptrdiff_t(before),
                                                           all.end());
    const qint64 endNs = sentNs + fade.count();

    // Ticks: bursts of commands, from the first after the recall to the end of the fade.
    std::vector<qint64> tickStarts;
    std::vector<int> tickCommands;
    qint64 lastNs = 0;
    for (const LampCommandReader::Command &command : commands) {
        if (tickStarts.empty()
            || command.atNs - lastNs > std::chrono::nanoseconds(SameTick).count()) {
            tickStarts.push_back(command.atNs);
            tickCommands.push_back(0);
        }
        ++tickCommands.back();
        lastNs = command.atNs;
    }
    std::vector<double> lengths;
    std::vector<double> deviations;
    int maxTickBytes = 0;
    for (std::size_t k = 0; k < tickStarts.size(); ++k) {
        maxTickBytes = std::max(maxTickBytes, tickCommands.at(k) * CommandBytes);
        if (k == 0 || tickStarts.at(k) > endNs)
            continue;
        const double length = MonotonicClock::msBetween(tickStarts.at(k - 1), tickStarts.at(k));
        lengths.push_back(length);
        deviations.push_back(std::abs(length - periodMs()));
    }

    // Each level's first arrival against the moment the straight line first reaches it:
    // the fade cuts toward the start, so level L of T is due at L / T of the fade.
    std::vector<double> lateness;
    std::map<int, int> lastLevel;
    std::map<int, qint64> arrived;
    int wrongWay = 0;
    for (const LampCommandReader::Command &command : commands) {
        const int previous = lastLevel.count(command.lamp) ? lastLevel[command.lamp] : 0;
        lastLevel[command.lamp] = command.level;
        if (command.level == previous)
            continue;
        if (command.level < previous)
            ++wrongWay;
        const qint64 dueNs
            = sentNs + qint64(double(fade.count()) * command.level / target(command.lamp));
        lateness.push_back(double(command.atNs - dueNs) / NsPerMs);
        if (command.level == target(command.lamp))
            arrived[command.lamp] = command.atNs;
    }
    const SampleStatistics period(lengths);
    const SampleStatistics deviation(deviations);
    const SampleStatistics late(lateness);
    // Measured from the send, every lateness carries the datagram's way to the panel
    // as well; the step that came soonest after its time has the least of the tick's
    // phase and shows that way. Judged: every step within one tick after it.
    const double way = late.count() ? std::max(0.0, late.minimum()) : 0.0;
    const auto beyondATick = std::count_if(lateness.begin(), lateness.end(), [way](double ms) {
        return ms < 0 || ms - way > periodMs();
    });
    qint64 lastArrivalNs = 0;
    for (const auto &[lamp, atNs] : arrived)
        lastArrivalNs = std::max(lastArrivalNs, atNs);

    std::printf("fade_seconds=%d\n", seconds);
    std::printf("fade_periods=%zu\n", period.count());
    std::printf("fade_mean_ms=%.3f\n", period.mean());
    std::printf("fade_min_ms=%.3f\n", period.minimum());
    std::printf("fade_max_ms=%.3f\n", period.maximum());
    std::printf("fade_p99_dev_ms=%.3f\n", deviation.percentile(99.0));
    std::printf("fade_max_tick_bytes=%d\n", maxTickBytes);
    std::printf("fade_steps=%zu\n", late.count());
    std::printf("fade_steps_beyond_a_tick=%lld\n", static_cast<long long>(beyondATick));
    std::printf("fade_step_late_min_ms=%.3f\n", late.minimum());
    std::printf("fade_step_late_max_ms=%.3f\n", late.maximum());
    std::printf("fade_step_late_spread_ms=%.3f\n", late.maximum() - way);
    std::printf("fade_steps_downward=%d\n", wrongWay);
    std::printf("fade_lamps_arrived=%zu\n", arrived.size());
    std::printf("fade_end_late_ms=%.3f\n", double(lastArrivalNs - endNs) / NsPerMs);
    std::printf("fade_malformed_bytes=%lld\n", reader.malformedBytes());
    return 0;
}
