// bench-panel-startup [LAMPS [osc]]: the panel's own start-up (as its main does) on a pty,
// timed from process start to the window's first frame. Run it under bench-launch.
#include "firstframewatcher.h"
#include "launchclock.h"
#include "monotonicclock.h"
#include "panel/panelwindow.h"
#include "panelini.h"
#include "platform/productinfo.h"
#include "pseudoterminal.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {

constexpr int DefaultLampCount = 16;

} // namespace

int main(int argc, char *argv[])
{
    const qint64 startNs = LaunchClock::startNs();

    // The stand-in serial device and its settings file are the bench's own doing, so
    // their cost is left out of the figure.
    const qint64 setupStartNs = MonotonicClock::nowNs();
    const int lampCount = argc > 1 ? std::atoi(argv[1]) : DefaultLampCount;
    PseudoTerminal line;
    QTemporaryDir folder;
    // "osc" as a second argument turns remote control on, so its module is loaded (it
    // must lie beside this program, as beside the panel).
    const bool remote = argc > 2 && std::strcmp(argv[2], "osc") == 0;
    const QString settingsPath
        = PanelIni {lampCount, line.devicePath(), remote ? "OscPort=47321\n" : ""}.write(
            folder.path());
    const qint64 setupNs = MonotonicClock::nowNs() - setupStartNs;
    if (!line.isValid() || settingsPath.isEmpty()) {
        std::printf("startup_ms=fail\n");
        return 1;
    }

    QApplication app(argc, argv);
    const qint64 appReadyNs = MonotonicClock::nowNs();
    QApplication::setApplicationName(QStringLiteral("Kelvaris"));
    QApplication::setApplicationVersion(QLatin1String(ProductInfo::Version));
    QApplication::setStyle(QStringLiteral("Fusion"));

    PanelWindow window(settingsPath);
    const qint64 windowMadeNs = MonotonicClock::nowNs();
    window.load(PanelWindow::LineStart::AfterFirstFrame);
    const qint64 loadedNs = MonotonicClock::nowNs();
    FirstFrameWatcher watcher(window, startNs, setupNs);
    window.show();
    const int result = QApplication::exec();
    // The line (and remote control, when on) starts once the first frame is out.
    QCoreApplication::processEvents();
    const qint64 lineStartedNs = MonotonicClock::nowNs();

    // Where the time went, each phase from the end of the one before.
    const qint64 originNs = startNs + setupNs;
    std::printf("phase_application_ms=%.3f\n", MonotonicClock::msBetween(originNs, appReadyNs));
    std::printf("phase_form_ms=%.3f\n", MonotonicClock::msBetween(appReadyNs, windowMadeNs));
    std::printf("phase_load_ms=%.3f\n", MonotonicClock::msBetween(windowMadeNs, loadedNs));
    if (window.findChild<PanelEngine *>()->serialLink().isOpen())
        std::printf("line_started_ms=%.3f\n", MonotonicClock::msBetween(originNs, lineStartedNs));
    return result;
}
