#pragma once

#include <QString>

// The text shown when the pointer rests on a lamp's slider or indicator: the lamp's
// name and level as a number, and whether the level can reach the controller.
//   LAMP3: 200 (78 %)
//   Not sent: serial port /dev/ttyUSB0 is closed
struct LampToolTip
{
    // The second line appears only while the port is closed; device is the one the
    // panel tried to open.
    static QString text(int lamp, int level, bool portOpen, const QString &device);
    // The level as a whole percentage of full, rounded to the nearest.
    static int percent(int level);
};
