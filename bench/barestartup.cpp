// bench-bare-startup [caption]: the floor for a Qt program's start-up, an empty QWidget
// of the panel's size (with "caption": one QLabel on it, so text is drawn as in any
// real window), timed from process start to its first frame. Run it under bench-launch.
#include "firstframewatcher.h"
#include "launchclock.h"
#include "monotonicclock.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

// The panel's client area in pixels, so both windows fill the same surface.
constexpr int WindowWidth = 632;
constexpr int WindowHeight = 431;

} // namespace

int main(int argc, char *argv[])
{
    const qint64 startNs = LaunchClock::startNs();
    QApplication app(argc, argv);
    const qint64 appReadyNs = MonotonicClock::nowNs();
    QApplication::setStyle(QStringLiteral("Fusion"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(WindowWidth, WindowHeight);
    if (argc > 1 && std::strcmp(argv[1], "caption") == 0)
        new QLabel(QStringLiteral("LAMP0"), &window);
    FirstFrameWatcher watcher(window, startNs);
    window.show();
    const int result = QApplication::exec();
    std::printf("phase_application_ms=%.3f\n", MonotonicClock::msBetween(startNs, appReadyNs));
    return result;
}
