#include "lamps/lampcommand.h"

#include "lamps/lampbank.h"

#include <QtGlobal>

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr int NibbleBits = 4;
constexpr int NibbleMask = 0xF;
} // namespace

QByteArray LampCommand::encode(int lamp, int level)
{
    // Both always lie in range: lamps are 0 to 15 and levels come from a 0..255 slider.
    Q_ASSERT(lamp >= 0 && lamp < LampBank::MaxLamps);
    Q_ASSERT(level >= 0 && level <= LampBank::MaxLevel);
    lamp = qBound(0, lamp, LampBank::MaxLamps - 1);
    level = qBound(0, level, LampBank::MaxLevel);

    QByteArray command(Size, Qt::Uninitialized);
    command[0] = 'L';
    command[1] = HexDigits[lamp];
    command[2] = HexDigits[(level >> NibbleBits) & NibbleMask];
    command[3] = HexDigits[level & NibbleMask];
    command[4] = '\r';
    return command;
}
