#pragma once

#include <QString>
#include <QtGlobal>

class SettingsStore;

// What start-up reads from the settings file, with the defaults that replace a
// missing or invalid entry.
struct StartupSettings
{
    static constexpr qint16 DefaultLampCount = 8;
    static constexpr qint16 MinLampCount = 1;
    static constexpr qint16 DefaultPortNumber = 1;

    // "LampCount": 1 to 16, else 8.
    static qint16 readLampCount(const SettingsStore &settings);
    // "SerialPort": 1 or more, else 1.
    static qint16 readPortNumber(const SettingsStore &settings);
    // "SerialDevice": a device path that replaces the numbered port; empty when unset.
    static QString readSerialDevice(const SettingsStore &settings);
    // "ReopenPort": true only for the number 1, which asks for the port to be opened
    // again whenever it is closed. Missing, empty or any other value keeps the once-only
    // open at start-up.
    static bool readReopenPort(const SettingsStore &settings);
};
