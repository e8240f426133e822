#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <chrono>
#include <optional>

class SettingsStore;

// What the panel reads from the settings file once, at start-up, with the defaults
// that replace a missing or invalid entry. Numbers follow the number rule
// (NumberText). The key names are here for the few places that write them back.
struct PanelSettings
{
    static constexpr QLatin1String LampCountKey {"LampCount"};
    static constexpr QLatin1String SerialPortKey {"SerialPort"};
    static constexpr QLatin1String SerialDeviceKey {"SerialDevice"};
    static constexpr QLatin1String ReopenPortKey {"ReopenPort"};
    static constexpr QLatin1String OscPortKey {"OscPort"};
    static constexpr QLatin1String OscAddressKey {"OscAddress"};
    static constexpr QLatin1String KeepLevelsKey {"KeepLevels"};
    static constexpr QLatin1String OscAllowKey {"OscAllow"};
    static constexpr QLatin1String WebPortKey {"WebPort"};
    static constexpr QLatin1String WebPasswordKey {"WebPassword"};
    static constexpr QLatin1String WebAddressKey {"WebAddress"};
    static constexpr QLatin1String WebHostNamesKey {"WebHostNames"};
    static constexpr QLatin1String PanelNameKey {"PanelName"};
    // LampName0 to LampName15.
    static QString lampNameKey(int lamp);
    static constexpr QLatin1String FadeTimeKey {"FadeTime"};

    static constexpr int MinLampCount = 1;
    static constexpr int DefaultLampCount = 8;
    static constexpr int DefaultSerialPort = 1;
    static constexpr qint32 MinNetworkPort = 1;
    static constexpr qint32 MaxNetworkPort = 65535;
    static constexpr std::chrono::milliseconds DefaultFadeTime {2000};
    static constexpr std::chrono::milliseconds MaxFadeTime {60'000};
    static constexpr std::chrono::milliseconds FadeTimeStep {100};

    // 1 to 16 lamps, else 8.
    int lampCount = DefaultLampCount;
    // The numbered port: 1 or more, else 1.
    int serialPort = DefaultSerialPort;
    // A device path that replaces the numbered port; empty when unset.
    QString serialDevice;
    // True only for the number 1, which asks for the port to be opened again whenever
    // it is closed. Missing, empty or any other value keeps the once-only open.
    bool reopenPort = false;
    // True only for the number 1: the lamps' levels are kept in a state file across
    // runs. Otherwise every run starts at level 0 and no state file is touched.
    bool keepLevels = false;
    // Where remote control listens: 1 to 65535, else none, and nothing listens.
    std::optional<quint16> oscPort;
    // The address text, blanks around it removed; the receiver decides what it means.
    QString oscAddress;
    // The senders OSC is taken from: addresses and ranges, comma-separated, as typed;
    // empty takes every sender.
    QString oscAllow;
    // The phone remote's TCP port, 1 to 65535, else none; its password as typed
    // (not trimmed: blanks may be part of it) and its address text.
    std::optional<quint16> webPort;
    QString webPassword;
    QString webAddress;
    // Names besides the machine's own that the page may be opened by, comma-separated
    // as typed (a name in the venue's DNS, say).
    QString webHostNames;
    // What the operator calls this panel and its lamps, one line each; empty: none.
    QString panelName;
    QStringList lampNames;
    // A recalled look's fade when the recall names none: seconds, 0 to 60 in tenths,
    // else 2.
    std::chrono::milliseconds fadeTime = DefaultFadeTime;

    // Whether any remote control is on, and so whether its module is loaded at all.
    bool wantsRemoteControl() const { return oscPort || webPort; }

    static PanelSettings read(const SettingsStore &settings);
};
