#include "panel/panelremotesettings.h"

#include "settings/panelsettings.h"

#include <QDir>
#include <QFileInfo>

RemoteControlSettings remoteControlSettings(const PanelSettings &settings,
                                            const QString &levelsPath)
{
    RemoteControlSettings remote;
    remote.oscPort = settings.oscPort;
    remote.oscAddress = settings.oscAddress;
    remote.oscAllow = settings.oscAllow;
    remote.webPort = settings.webPort;
    remote.webPassword = settings.webPassword;
    remote.webAddress = settings.webAddress;
    remote.webHostNames = settings.webHostNames.split(QLatin1Char(','), Qt::SkipEmptyParts);
    // Beside the kept levels: the panel's state, never the settings file.
    if (!levelsPath.isEmpty()) {
        const QFileInfo levels(levelsPath);
        const QString name = levels.completeBaseName() == QLatin1String("levels")
            ? QStringLiteral("remote-secret")
            : levels.completeBaseName() + QStringLiteral(".remote-secret");
        remote.webSecretPath = levels.dir().filePath(name);
    }
    return remote;
}
