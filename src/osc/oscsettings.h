#pragma once

#include <QHostAddress>
#include <QtGlobal>
#include <optional>

class SettingsStore;

// Where remote control listens, read from the settings file at start-up and never
// written back. Without a usable port nothing listens at all.
struct OscSettings
{
    static constexpr qint32 MinPort = 1;
    static constexpr qint32 MaxPort = 65535;

    // "OscPort" by the number rule: 1 to 65535, else none (off).
    std::optional<quint16> port;
    // "OscAddress": an IPv4 or IPv6 address; 127.0.0.1 when missing or not an address,
    // so a slip of the hand never opens the panel to the network.
    QHostAddress address {QHostAddress::LocalHost};

    static OscSettings read(const SettingsStore &settings);
};
