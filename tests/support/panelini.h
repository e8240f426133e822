#pragma once

#include <QByteArray>
#include <QString>
#include <utility>

// The Kelvaris.ini of a panel under test or measurement: its lamp count, the device
// standing in for its serial port (no line when empty), then any further lines.
struct PanelIni
{
    explicit PanelIni(int lampCount, QString serialDevice = {}, QByteArray more = {})
        : lampCount(lampCount), serialDevice(std::move(serialDevice)), more(std::move(more))
    { }

    int lampCount = 0;
    QString serialDevice;
    QByteArray more; // whole lines, each ending in "\n"

    QByteArray text() const;
    // Writes it as Kelvaris.ini into a folder; gives the file's path, empty on failure.
    QString write(const QString &folder) const;
};
