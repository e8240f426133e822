#include "settings/panelsettings.h"

#include "lamps/lampcommand.h"
#include "settings/initext.h"
#include "settings/numbertext.h"
#include "settings/settingsstore.h"

namespace {

// The switches are on only for the number 1.
constexpr int SwitchOn = 1;

std::optional<quint16> networkPort(const QString &text)
{
    const auto port = NumberText::toInt32(text);
    if (port && *port >= PanelSettings::MinNetworkPort && *port <= PanelSettings::MaxNetworkPort)
        return quint16(*port);
    return std::nullopt;
}

} // namespace

QString PanelSettings::lampNameKey(int lamp)
{
    return QStringLiteral("LampName") + QString::number(lamp);
}

PanelSettings PanelSettings::read(const SettingsStore &store)
{
    QStringList keys {LampCountKey,  SerialPortKey,  SerialDeviceKey, ReopenPortKey,
                      KeepLevelsKey, OscPortKey,     OscAddressKey,   OscAllowKey,
                      WebPortKey,    WebPasswordKey, WebAddressKey,   WebHostNamesKey,
                      PanelNameKey,  FadeTimeKey};
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        keys.append(lampNameKey(lamp));
    const SettingsStore::Values settings = store.readSettings(keys);
    PanelSettings result;
    const auto count = NumberText::toInt16(settings.value(LampCountKey));
    if (count && *count >= MinLampCount && *count <= LampCommand::MaxLamps)
        result.lampCount = *count;
    const auto port = NumberText::toInt16(settings.value(SerialPortKey));
    if (port && *port >= DefaultSerialPort)
        result.serialPort = *port;
    result.serialDevice = settings.value(SerialDeviceKey);
    const auto reopen = NumberText::toInt16(settings.value(ReopenPortKey));
    result.reopenPort = reopen && *reopen == SwitchOn;
    const auto keep = NumberText::toInt16(settings.value(KeepLevelsKey));
    result.keepLevels = keep && *keep == SwitchOn;
    result.oscPort = networkPort(settings.value(OscPortKey));
    result.oscAddress = settings.value(OscAddressKey).trimmed();
    result.oscAllow = settings.value(OscAllowKey).trimmed();
    result.webPort = networkPort(settings.value(WebPortKey));
    result.webPassword = settings.value(WebPasswordKey);
    result.webAddress = settings.value(WebAddressKey).trimmed();
    result.webHostNames = settings.value(WebHostNamesKey).trimmed();
    // Names follow the group names' rule: one line, as typed.
    result.panelName = IniText::firstLine(settings.value(PanelNameKey));
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        result.lampNames.append(IniText::firstLine(settings.value(lampNameKey(lamp))));
    const auto tenths = NumberText::toTenths(settings.value(FadeTimeKey));
    // A missing key reads as the empty text, which the number rule takes as 0.
    if (tenths && !settings.value(FadeTimeKey).trimmed().isEmpty() && *tenths >= 0
        && *tenths * FadeTimeStep.count() <= MaxFadeTime.count())
        result.fadeTime = *tenths * FadeTimeStep;
    return result;
}
