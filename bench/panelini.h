#pragma once

#include <QByteArray>
#include <QString>

// The panel's Kelvaris.ini for a bench: the lamp count and the device standing in
// for the serial port, then any further lines given.
class PanelIni final
{
public:
    static QByteArray text(int lampCount, const QString &device, const QString &extraLines = {});
    // Writes it into a folder; gives the file's path, empty on failure.
    static QString write(const QString &folder, int lampCount, const QString &device,
                         const QString &extraLines = {});
};
