// bench-webpages KELVARIS [SECONDS]: runs the real panel with 16 lamps on a pty and its
// phone remote on a loopback port behind a password, logs in, connects 16 pages, and
// has one of them drag a fader at 60 moves a second for SECONDS seconds (default 10).
// Reports the tick periods on the line during the drag, how long each move takes to
// show on the other pages, and the panel's processor time. Before the drag: the
// panel's processor time while nothing moves, without pages and with 16, and how long
// single moves made at the panel (over OSC, as cue software would) take to reach
// every page.
#include "freeport.h"
#include "oscdatagram.h"
#include "monotonicclock.h"
#include "pageupdatetracker.h"
#include "processusage.h"
#include "recordedpanel.h"
#include "remotelogin.h"
#include "remotepageclient.h"
#include "samplestatistics.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto Period = 125ms;
constexpr int DefaultSeconds = 10;
constexpr int LampCount = 16;
// As many pages as the panel lets in; the first one drags.
constexpr int PageCount = 16;
constexpr int MovesPerSecond = 60;
constexpr int DraggedLamp = 3;
constexpr int WarmUpCommands = 4;
constexpr auto StartAllowance = 15s;
constexpr auto ConnectAllowance = 10s;
// Lets the connections settle before the drag, and the last updates arrive after it.
constexpr auto Settle = 1s;
constexpr auto WaitStep = 10ms;
// Nothing moving, with and without pages.
constexpr auto IdleSpan = 5s;
// Single moves at the panel, far enough apart that each goes out on its own.
constexpr int PanelMoves = 40;
constexpr auto PanelMoveGap = 250ms;
// Commands closer than this to the one before come from the same tick: a tick writes
// the rotation's command and any changed lamp's in one go.
constexpr auto SameTick = 30ms;
constexpr qint64 NsPerSecond = 1000000000;
constexpr qint64 NsPerMs = 1000000;
const QString Password = QStringLiteral("bench-remote-password");

// The drag: up over the even levels, down over the odd ones, so that every move
// changes the level and a level comes back only after a whole round of 256 moves.
constexpr int RoundMoves = 256;
int triangleLevel(int n)
{
    const int phase = n % RoundMoves;
    return phase < RoundMoves / 2 ? 2 * phase : 2 * RoundMoves - 1 - 2 * phase;
}

double ms(std::chrono::nanoseconds span)
{
    return double(span.count()) / double(NsPerMs);
}

// Runs the event loop until done() holds or the time is up.
bool spinUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    check.start(WaitStep);
    if (!done())
        loop.exec();
    return done();
}

void spinFor(std::chrono::milliseconds span)
{
    spinUntil([] { return false; }, span);
}

// The panel's processor time over span, as a percentage of it.
std::optional<double> cpuPercentOver(qint64 pid, std::chrono::milliseconds span)
{
    const auto before = ProcessUsage::scheduledTime(pid);
    spinFor(span);
    const auto after = ProcessUsage::scheduledTime(pid);
    if (!before || !after)
        return std::nullopt;
    return 100.0 * ms(*after - *before) / double(span.count());
}

// Moves the lamp at the panel over OSC, one move at a time.
void panelMoves(quint16 oscPort, PageUpdateTracker &tracker)
{
    QUdpSocket cue;
    for (int n = 0; n < PanelMoves; ++n) {
        const int level = triangleLevel(RoundMoves / 2 + n);
        const QByteArray datagram = OscDatagram::message(
            QByteArray("/kelvaris/lamp/") + QByteArray::number(DraggedLamp), 'i', level);
        tracker.moveSent(level, MonotonicClock::nowNs());
        cue.writeDatagram(datagram, QHostAddress::LocalHost, oscPort);
        spinFor(PanelMoveGap);
    }
}

struct Drag
{
    qint64 startNs = 0;
    qint64 endNs = 0;
    int lastLevel = -1;
};

// Sends moveCount moves at fixed absolute times, so a late one does not push the
// later ones back.
Drag drag(RemotePageClient &page, PageUpdateTracker &tracker, int firstPhase, int moveCount)
{
    Drag result;
    QEventLoop loop;
    QTimer pacer;
    pacer.setSingleShot(true);
    pacer.setTimerType(Qt::PreciseTimer);
    int sent = 0;
    result.startNs = MonotonicClock::nowNs();
    QObject::connect(&pacer, &QTimer::timeout, &loop, [&] {
        const int level = triangleLevel(firstPhase + sent);
        tracker.moveSent(level, MonotonicClock::nowNs());
        page.sendMove(DraggedLamp, level);
        result.lastLevel = level;
        if (++sent == moveCount)
            return loop.quit();
        const qint64 dueNs = result.startNs + qint64(sent) * NsPerSecond / MovesPerSecond;
        const qint64 waitNs = dueNs - MonotonicClock::nowNs();
        pacer.start(int(std::max<qint64>(0, (waitNs + NsPerMs - 1) / NsPerMs)));
    });
    pacer.start(0);
    loop.exec();
    result.endNs = MonotonicClock::nowNs();
    return result;
}

// The times of the ticks wholly within [fromNs, toNs]: the first command of each.
std::vector<qint64> tickTimes(const std::vector<LampCommandReader::Command> &commands,
                              qint64 fromNs, qint64 toNs)
{
    std::vector<qint64> ticks;
    qint64 previousNs = 0;
    for (const LampCommandReader::Command &command : commands) {
        const bool sameTick = previousNs != 0
            && command.atNs - previousNs < std::chrono::nanoseconds(SameTick).count();
        previousNs = command.atNs;
        if (!sameTick && command.atNs >= fromNs && command.atNs <= toNs)
            ticks.push_back(command.atNs);
    }
    return ticks;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-webpages KELVARIS [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : DefaultSeconds;
    const quint16 port = FreePort::tcp();
    const quint16 oscPort = OscDatagram::freeLoopbackPort();
    if (seconds <= 0 || port == 0 || oscPort == 0) {
        std::fprintf(stderr, "bench-webpages: bad arguments or no free port\n");
        return 1;
    }

    RecordedPanel panel(QString::fromLocal8Bit(argv[1]), LampCount,
                        QStringLiteral("WebPort=%1\nWebPassword=%2\nWebAddress=127.0.0.1\n"
                                       "OscPort=%3\n")
                            .arg(port)
                            .arg(Password)
                            .arg(oscPort));
    const QString error = panel.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench-webpages: %s\n", qPrintable(error));
        return 1;
    }
    LampCommandReader &reader = panel.reader();
    if (!reader.waitForCount(WarmUpCommands, StartAllowance)) {
        std::fprintf(stderr, "bench-webpages: the panel did not start sending\n");
        return 1;
    }
    const QByteArray cookie = RemoteLogin::sessionCookie(port, Password, StartAllowance);
    if (cookie.isEmpty()) {
        std::fprintf(stderr, "bench-webpages: no login on port %u\n", unsigned(port));
        return 1;
    }

    spinFor(Settle);
    const std::optional<double> idleAlone = cpuPercentOver(panel.pid(), IdleSpan);

    // Moves at the panel first, seen by every page; then page 0 drags, and the tracker
    // numbers the others from 0.
    PageUpdateTracker panelTracker(PageCount);
    PageUpdateTracker tracker(PageCount - 1);
    bool dragging = false;
    std::vector<std::unique_ptr<RemotePageClient>> pages;
    for (int n = 0; n < PageCount; ++n) {
        RemotePageClient::LevelShown shown = [&, n](int level, qint64 atNs) {
            if (!dragging)
                panelTracker.levelShown(n, level, atNs);
            else if (n > 0)
                tracker.levelShown(n - 1, level, atNs);
        };
        pages.push_back(std::make_unique<RemotePageClient>(port, DraggedLamp, std::move(shown)));
        // One after another: the panel takes at most eight connections at a time that
        // are still on their request from one address, as a browser's never are.
        pages.back()->open(cookie);
        spinUntil([&] { return pages.back()->hasState(); }, ConnectAllowance);
    }
    const auto allHaveState = [&] {
        return std::all_of(pages.cbegin(), pages.cend(),
                           [](const auto &page) { return page->hasState(); });
    };
    if (!spinUntil(allHaveState, ConnectAllowance)) {
        for (std::size_t n = 0; n < pages.size(); ++n) {
            if (!pages.at(n)->hasState())
                std::fprintf(stderr, "bench-webpages: page %zu has no state: %s\n", n,
                             qPrintable(pages.at(n)->errorString()));
        }
        return 1;
    }
    spinFor(Settle);
    const std::optional<double> idleWithPages = cpuPercentOver(panel.pid(), IdleSpan);
    panelMoves(oscPort, panelTracker);
    spinFor(Settle);
    dragging = true;

    RemotePageClient &dragger = *pages.front();
    int firstPhase = 0;
    while (triangleLevel(firstPhase) == dragger.level())
        ++firstPhase;
    std::vector<int> messagesBefore;
    for (const auto &page : pages)
        messagesBefore.push_back(page->messagesReceived());
    const qint64 pid = panel.pid();
    const std::optional<qint64> ticksBefore = ProcessUsage::cpuTicks(pid);
    const std::optional<std::chrono::nanoseconds> scheduledBefore
        = ProcessUsage::scheduledTime(pid);
    const Drag moved = drag(dragger, tracker, firstPhase, seconds * MovesPerSecond);
    const std::optional<qint64> ticksAfter = ProcessUsage::cpuTicks(pid);
    const std::optional<std::chrono::nanoseconds> scheduledAfter = ProcessUsage::scheduledTime(pid);
    spinFor(Settle);
    const int connectedAtEnd = int(std::count_if(
        pages.cbegin(), pages.cend(), [](const auto &page) { return page->isConnected(); }));
    panel.stop();

    const std::vector<LampCommandReader::Command> commands = reader.commands();
    const std::vector<qint64> ticks = tickTimes(commands, moved.startNs, moved.endNs);
    std::vector<double> lengths;
    std::vector<double> deviations;
    for (std::size_t k = 1; k < ticks.size(); ++k) {
        const double length = MonotonicClock::msBetween(ticks.at(k - 1), ticks.at(k));
        lengths.push_back(length);
        deviations.push_back(std::abs(length - ms(Period)));
    }
    int lastLevelOnLine = -1;
    int draggedCommands = 0;
    for (const LampCommandReader::Command &command : commands) {
        if (command.lamp != DraggedLamp)
            continue;
        lastLevelOnLine = command.level;
        if (command.atNs >= moved.startNs && command.atNs <= moved.endNs)
            ++draggedCommands;
    }
    if (lengths.empty() || tracker.latenciesMs().empty() || panelTracker.latenciesMs().empty()
        || !ticksBefore || !ticksAfter || !idleAlone || !idleWithPages) {
        std::fprintf(stderr, "bench-webpages: no periods, no page updates or no CPU figures\n");
        return 1;
    }
    const double dragMs = MonotonicClock::msBetween(moved.startNs, moved.endNs);
    int watcherMessages = 0;
    for (std::size_t n = 1; n < pages.size(); ++n)
        watcherMessages += pages.at(n)->messagesReceived() - messagesBefore.at(n);

    const SampleStatistics period(lengths);
    const SampleStatistics deviation(deviations);
    const SampleStatistics latency(tracker.latenciesMs());
    const SampleStatistics exact(tracker.exactLatenciesMs());
    const SampleStatistics panelLatency(panelTracker.latenciesMs());
    const double cpuMs
        = 1000.0 * double(*ticksAfter - *ticksBefore) / double(::sysconf(_SC_CLK_TCK));
    std::printf("webpages_pages=%d\n", PageCount);
    std::printf("webpages_pages_connected_at_end=%d\n", connectedAtEnd);
    std::printf("webpages_moves_sent=%d\n", tracker.moveCount());
    std::printf("webpages_seconds=%.3f\n", dragMs / 1000.0);
    // From the first move to the last: one interval fewer than moves.
    std::printf("webpages_move_rate_per_s=%.1f\n", (tracker.moveCount() - 1) / (dragMs / 1000.0));
    std::printf("webpages_periods=%zu\n", period.count());
    std::printf("webpages_mean_ms=%.3f\n", period.mean());
    std::printf("webpages_min_ms=%.3f\n", period.minimum());
    std::printf("webpages_max_ms=%.3f\n", period.maximum());
    std::printf("webpages_p99_dev_ms=%.3f\n", deviation.percentile(99.0));
    std::printf("webpages_dragged_lamp_commands=%d\n", draggedCommands);
    std::printf("webpages_latency_samples=%zu\n", latency.count());
    std::printf("webpages_latency_mean_ms=%.3f\n", latency.mean());
    std::printf("webpages_latency_p50_ms=%.3f\n", latency.median());
    std::printf("webpages_latency_p99_ms=%.3f\n", latency.percentile(99.0));
    std::printf("webpages_latency_max_ms=%.3f\n", latency.maximum());
    std::printf("webpages_latency_exact_samples=%zu\n", exact.count());
    std::printf("webpages_latency_exact_p99_ms=%.3f\n", exact.percentile(99.0));
    std::printf("webpages_superseded=%d\n", tracker.superseded());
    std::printf("webpages_unseen=%d\n", tracker.unseen());
    std::printf("webpages_updates_per_page_per_s=%.2f\n",
                watcherMessages / double(PageCount - 1) / (dragMs / 1000.0));
    std::printf("webpages_cpu_ms=%.1f\n", cpuMs);
    std::printf("webpages_cpu_percent=%.2f\n", 100.0 * cpuMs / dragMs);
    if (scheduledBefore && scheduledAfter)
        std::printf("webpages_cpu_exact_percent=%.2f\n",
                    100.0 * ms(*scheduledAfter - *scheduledBefore) / dragMs);
    std::printf("webpages_idle_cpu_no_pages_percent=%.3f\n", *idleAlone);
    std::printf("webpages_idle_cpu_pages_percent=%.3f\n", *idleWithPages);
    std::printf("webpages_panel_move_samples=%zu\n", panelLatency.count());
    std::printf("webpages_panel_move_p50_ms=%.3f\n", panelLatency.median());
    std::printf("webpages_panel_move_p99_ms=%.3f\n", panelLatency.percentile(99.0));
    std::printf("webpages_panel_move_max_ms=%.3f\n", panelLatency.maximum());
    std::printf("webpages_panel_move_unseen=%d\n", panelTracker.unseen());
    std::printf("webpages_last_level_sent=%d\n", moved.lastLevel);
    std::printf("webpages_last_level_on_line=%d\n", lastLevelOnLine);
    std::printf("webpages_malformed_bytes=%lld\n", reader.malformedBytes());
    return 0;
}
