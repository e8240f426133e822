#include "panel/lamptooltip.h"

#include "lamps/lampbank.h"

namespace {

constexpr int Hundred = 100;

} // namespace

int LampToolTip::percent(int level)
{
    // level * 100 / 255 never falls on a half, so adding just under a half rounds exactly.
    return (level * Hundred + LampCommand::MaxLevel / 2) / LampCommand::MaxLevel;
}

QString LampToolTip::text(int lamp, int level, bool portOpen, const QString &device)
{
    QString tip = QStringLiteral("LAMP%1: %2 (%3 %)").arg(lamp).arg(level).arg(percent(level));
    if (!portOpen)
        tip += QStringLiteral("\nNot sent: serial port %1 is closed").arg(device);
    return tip;
}
