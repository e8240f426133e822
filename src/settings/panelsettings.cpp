#include "settings/panelsettings.h"

#include "lamps/lampcommand.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

// The switches are on only for the number 1.
constexpr qint16 SwitchOn = 1;

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
    const auto oscPort = NumberText::toInt32(settings.readSetting(OscPortKey));
    if (oscPort && *oscPort >= MinOscPort && *oscPort <= MaxOscPort)
        result.oscPort = quint16(*oscPort);
    result.oscAddress = settings.readSetting(OscAddressKey).trimmed();
    return result;
}
