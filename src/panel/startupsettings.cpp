#include "panel/startupsettings.h"

#include "lamps/lampcommand.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

constexpr qint16 ReopenPortOn = 1;

} // namespace

qint16 StartupSettings::readLampCount(const SettingsStore &settings)
{
    const auto count = NumberText::toInt16(settings.readSetting(QStringLiteral("LampCount")));
    if (!count || *count < MinLampCount || *count > LampCommand::MaxLamps)
        return DefaultLampCount;
    return *count;
}

qint16 StartupSettings::readPortNumber(const SettingsStore &settings)
{
    const auto port = NumberText::toInt16(settings.readSetting(QStringLiteral("SerialPort")));
    if (!port || *port < DefaultPortNumber)
        return DefaultPortNumber;
    return *port;
}

QString StartupSettings::readSerialDevice(const SettingsStore &settings)
{
    return settings.readSetting(QStringLiteral("SerialDevice"));
}

bool StartupSettings::readReopenPort(const SettingsStore &settings)
{
    const auto value = NumberText::toInt16(settings.readSetting(QStringLiteral("ReopenPort")));
    return value && *value == ReopenPortOn;
}
