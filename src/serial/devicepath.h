#pragma once

#include <QString>

// The file a serial device name stands for, as QSerialPort opens it: a path
// ("/dev/ttyUSB0", "./tty", "../tty") as it is, a bare name ("ttyUSB0") in /dev.
inline QString serialDevicePath(const QString &device)
{
    if (device.startsWith(QLatin1Char('/')) || device.startsWith(QLatin1String("./"))
        || device.startsWith(QLatin1String("../")))
        return device;
    return QStringLiteral("/dev/") + device;
}
