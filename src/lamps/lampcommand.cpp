#include "lamps/lampcommand.h"

#include <QtGlobal>

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr int DecimalDigits = 10;
constexpr int NibbleBits = 4;
constexpr int NibbleMask = 0xF;
} // namespace

QByteArray LampCommand::encode(int lamp, int level)
{
    // Both always lie in range: lamps are 0 to 15 and levels come from a 0..255 slider.
    Q_ASSERT(lamp >= 0 && lamp < MaxLamps);
    Q_ASSERT(level >= 0 && level <= MaxLevel);
    lamp = qBound(0, lamp, MaxLamps - 1);
    level = qBound(0, level, MaxLevel);

    QByteArray command(Size, Qt::Uninitialized);
    command[0] = Start;
    command[LampDigit] = HexDigits[lamp];
    command[LevelHighDigit] = HexDigits[(level >> NibbleBits) & NibbleMask];
    command[LevelLowDigit] = HexDigits[level & NibbleMask];
    command[Terminator] = End;
    return command;
}

QString LampCommand::lampName(int lamp)
{
    return QStringLiteral("LAMP") + QString::number(lamp);
}

int LampCommand::digitValue(char byte)
{
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'A' && byte <= 'F')
        return byte - 'A' + DecimalDigits;
    return -1;
}
