// bench-latency [CHANGES] [LAMPS]: the panel in this process on a pty, its sliders
// changed at random moments; reports the time from each change to the arrival of
// the last byte of the first command carrying that lamp's new level.
#include "lampcommandreader.h"
#include "monotonicclock.h"
#include "panel/panelwindow.h"
#include "panelini.h"
#include "pseudoterminal.h"
#include "samplestatistics.h"
#include "sliderlatencyprobe.h"

#include <QApplication>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using namespace std::chrono_literals;

constexpr int DefaultChanges = 200;
constexpr int DefaultLampCount = 16;
constexpr unsigned Seed = 20240601;
// Let the window settle and the timer run before the first change.
constexpr auto SettleTime = 500ms;
// After the last change: long enough for its command to go out.
constexpr auto DrainTime = 400ms;
// Five characters of ten bits (start, 8 data, stop) at 9600 baud.
constexpr double CommandOnLineMs = 5.0 * 10.0 * 1000.0 / 9600.0;

// When each command's last bit would leave a 9600-baud line: the UART takes the
// commands one after the other in the order the panel wrote them.
std::vector<qint64> lineFinishTimes(const std::vector<LampCommandReader::Command> &commands)
{
    std::vector<qint64> done;
    qint64 lineFreeNs = 0;
    const auto commandNs = qint64(CommandOnLineMs * 1e6);
    for (const LampCommandReader::Command &command : commands) {
        lineFreeNs = std::max(lineFreeNs, command.atNs) + commandNs;
        done.push_back(lineFreeNs);
    }
    return done;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const int changes = argc > 1 ? std::atoi(argv[1]) : DefaultChanges;
    const int lampCount = argc > 2 ? std::atoi(argv[2]) : DefaultLampCount;

    PseudoTerminal line;
    QTemporaryDir folder;
    const QString settingsPath = PanelIni {lampCount, line.devicePath()}.write(folder.path());
    if (!line.isValid() || settingsPath.isEmpty()) {
        std::fprintf(stderr, "bench-latency: no pseudo-terminal or settings file\n");
        return 1;
    }
    LampCommandReader reader(line);
    reader.start();

    PanelWindow window(settingsPath);
    window.load();
    window.show();
    if (!window.findChild<PanelEngine *>()->serialLink().isOpen()) {
        std::fprintf(stderr, "bench-latency: the panel did not open %s\n",
                     qPrintable(line.devicePath()));
        return 1;
    }

    QVector<QSlider *> sliders;
    for (int lamp = 0; lamp < lampCount; ++lamp) {
        auto *slider = window.findChild<QSlider *>(QStringLiteral("LampSlider%1").arg(lamp));
        if (slider == nullptr) {
            std::fprintf(stderr, "bench-latency: no LampSlider%d\n", lamp);
            return 1;
        }
        sliders.append(slider);
    }

    SliderLatencyProbe probe(sliders, changes, Seed);
    QObject::connect(&probe, &SliderLatencyProbe::finished, &app,
                     [] { QTimer::singleShot(DrainTime, qApp, &QCoreApplication::quit); });
    QTimer::singleShot(SettleTime, &probe, &SliderLatencyProbe::start);
    QApplication::exec();
    reader.stop();

    const std::vector<LampCommandReader::Command> commands = reader.commands();
    const std::vector<qint64> onLine = lineFinishTimes(commands);
    std::vector<double> ptyLatencies;
    std::vector<double> lineLatencies;
    int unmatched = 0;
    for (const SliderLatencyProbe::Change &change : probe.changes()) {
        const auto first = std::partition_point(
            commands.begin(), commands.end(),
            [&](const LampCommandReader::Command &command) { return command.atNs < change.atNs; });
        const auto match = std::find_if(first, commands.end(), [&](const auto &command) {
            return command.lamp == change.lamp && command.level == change.level;
        });
        if (match == commands.end()) {
            ++unmatched;
            continue;
        }
        ptyLatencies.push_back(MonotonicClock::msBetween(change.atNs, match->atNs));
        const std::size_t index = std::size_t(match - commands.begin());
        lineLatencies.push_back(MonotonicClock::msBetween(change.atNs, onLine.at(index)));
    }
    const SampleStatistics pty(ptyLatencies);
    const SampleStatistics modelled(lineLatencies);
    std::printf("latency_changes=%zu\n", probe.changes().size());
    std::printf("latency_unmatched=%d\n", unmatched);
    std::printf("latency_mean_ms=%.3f\n", pty.mean());
    std::printf("latency_p50_ms=%.3f\n", pty.median());
    std::printf("latency_p99_ms=%.3f\n", pty.percentile(99.0));
    std::printf("latency_max_ms=%.3f\n", pty.maximum());
    std::printf("latency_command_on_line_ms=%.3f\n", CommandOnLineMs);
    std::printf("latency_line_model_p99_ms=%.3f\n", modelled.percentile(99.0));
    std::printf("latency_malformed_bytes=%lld\n", reader.malformedBytes());
    return unmatched == 0 ? 0 : 1;
}
