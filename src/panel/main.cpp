#include "panel/panelwindow.h"
#include "platform/commandline.h"
#include "platform/productinfo.h"
#include "platform/signalwatcher.h"
#include "settings/settingslocation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // Read before QApplication, so that --help, --version and a mistake need no display.
    const CommandLine commandLine = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (const auto status = commandLine.exitStatus())
        return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvaris"));
    // No display name: the platform would append it to every window title that does
    // not already end with it, so "… serial port closed, retrying" would show twice.
    QApplication::setApplicationVersion(QLatin1String(ProductInfo::Version));
    // Lets the desktop match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QLatin1String(ProductInfo::AppId));
    // One style everywhere, so the fixed layout looks the same on every desktop,
    // unless one is asked for by name.
    if (!commandLine.hasQtOption(QStringLiteral("style")))
        QApplication::setStyle(QStringLiteral("Fusion"));

    // Decided once: the named file, else the file beside a portable copy, else a
    // per-user file seeded from the administrator's.
    const SettingsLocation location = SettingsLocation::chosen(commandLine.settingsPath());
    PanelWindow window(location.file());
    window.setLevelsPath(location.levelsPath());
    window.load(PanelWindow::LineStart::AfterFirstFrame);
    window.show();

    // Being told to stop (a session ending, kill) closes the window as the operator would.
    SignalWatcher signals;
    QObject::connect(&signals, &SignalWatcher::terminationRequested, &window, &QWidget::close);
    return QApplication::exec();
}
