#include "settings/panelsettings.h"

#include "lamps/lampcommand.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

// The switches are on only for the number 1.
constexpr qint16 SwitchOn = 1;

std::optional<quint16> networkPort(const QString &text)
{
    const auto port = NumberText::toInt32(text);
    if (port && *port >= PanelSettings::MinNetworkPort && *port <= PanelSettings::MaxNetworkPort)
        return quint16(*port);
    return std::nullopt;
}

} // namespace

PanelSettings PanelSettings::read(const SettingsStore &settings)
{
    PanelSettings result;
    const auto count = NumberText::toInt16(settings.readSetting(LampCountKey));
    if (count && *count >= MinLampCount && *count <= LampCommand::MaxLamps)
        result.lampCount = *count;
    const auto port = NumberText::toInt16(settings.readSetting(SerialPortKey));
    if (port && *port >= DefaultSerialPort)
        result.serialPort = *port;
    result.serialDevice = settings.readSetting(SerialDeviceKey);
    const auto reopen = NumberText::toInt16(settings.readSetting(ReopenPortKey));
    result.reopenPort = reopen && *reopen == SwitchOn;
    const auto keep = NumberText::toInt16(settings.readSetting(KeepLevelsKey));
    result.keepLevels = keep && *keep == SwitchOn;
    result.oscPort = networkPort(settings.readSetting(OscPortKey));
    result.oscAddress = settings.readSetting(OscAddressKey).trimmed();
    result.oscAllow = settings.readSetting(OscAllowKey).trimmed();
    result.webPort = networkPort(settings.readSetting(WebPortKey));
    result.webPassword = settings.readSetting(WebPasswordKey);
    result.webAddress = settings.readSetting(WebAddressKey).trimmed();
    return result;
}
