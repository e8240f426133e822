#pragma once

#include <QString>

// Writes the panel's Kelvaris.ini into a folder: the lamp count and the device
// standing in for the serial port, then any further lines given. Gives the file's
// path, empty on failure.
class PanelIni final
{
public:
    static QString write(const QString &folder, int lampCount, const QString &device,
                         const QString &extraLines = {});
};
