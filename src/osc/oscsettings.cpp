#include "osc/oscsettings.h"

#include "settings/numbertext.h"
#include "settings/settingsstore.h"

OscSettings OscSettings::read(const SettingsStore &settings)
{
    OscSettings result;
    const auto port = NumberText::toInt32(settings.readSetting(QStringLiteral("OscPort")));
    if (port && *port >= MinPort && *port <= MaxPort)
        result.port = quint16(*port);
    const QHostAddress address(settings.readSetting(QStringLiteral("OscAddress")).trimmed());
    if (!address.isNull())
        result.address = address;
    return result;
}
