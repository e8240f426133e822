#include "panel/form1.h"
#include "platform/signalwatcher.h"
#include "settings/settingsfile.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvaris"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvaris Control Panel"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // One style everywhere, so the fixed layout looks the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));

    Form1 form(SettingsFile::besideExecutable());
    QApplication::setWindowIcon(form.windowIcon());
    form.load();
    form.show();

    // Being told to stop (a session ending, kill) closes the window as the operator would.
    SignalWatcher signals;
    QObject::connect(&signals, &SignalWatcher::terminationRequested, &form, &QWidget::close);
    return QApplication::exec();
}
