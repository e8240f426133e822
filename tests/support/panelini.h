#pragma once

#include <QByteArray>
#include <QString>

// The Kelvaris.ini of a panel under test or measurement: its lamp count, the device
// standing in for its serial port (no line when empty), then any further lines.
struct PanelIni
{
    int lampCount = 16;
    QString serialDevice;
    QByteArray more; // whole lines, each ending in "\n"

    QByteArray text() const;
    // Writes it as Kelvaris.ini into a folder; gives the file's path, empty on failure.
    QString write(const QString &folder) const;
};
