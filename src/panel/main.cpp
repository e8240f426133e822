#include "panel/panelwindow.h"
#include "platform/productinfo.h"
#include "platform/signalwatcher.h"
#include "settings/settingslocation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvaris"));
    QApplication::setApplicationDisplayName(QLatin1String(ProductInfo::Title));
    QApplication::setApplicationVersion(QLatin1String(ProductInfo::Version));
    // Lets the desktop match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QLatin1String(ProductInfo::AppId));
    // One style everywhere, so the fixed layout looks the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));

    // Decided once: a portable copy keeps the file beside it, an installed copy a
    // per-user file seeded from the administrator's.
    const SettingsFile settings = SettingsLocation::forThisExecutable().file();
    PanelWindow window(settings);
    // The kept levels beside the settings file: Kelvaris.ini, Kelvaris.levels.
    const QFileInfo settingsInfo(settings.path());
    if (!settings.path().isEmpty())
        window.setLevelsPath(settingsInfo.dir().filePath(settingsInfo.completeBaseName()
                                                         + QStringLiteral(".levels")));
    QApplication::setWindowIcon(window.windowIcon());
    window.load();
    window.show();

    // Being told to stop (a session ending, kill) closes the window as the operator would.
    SignalWatcher signals;
    QObject::connect(&signals, &SignalWatcher::terminationRequested, &window, &QWidget::close);
    return QApplication::exec();
}
