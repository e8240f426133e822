#pragma once

#include <QByteArray>
#include <QString>

// The five-byte lamp command, the one definition of what goes down the line: 'L',
// the lamp as one upper-case hex digit, the level as two, and a carriage return.
// "L3C8\r" sets lamp 3 to level 200. The panel encodes it; the monitor decodes it
// with the same constants, without the rest of the lamp code.
class LampCommand final
{
public:
    static constexpr int Size = 5;
    static constexpr char Start = 'L';
    static constexpr char End = '\r';
    // Byte positions within a command.
    static constexpr int LampDigit = 1;
    static constexpr int LevelHighDigit = 2;
    static constexpr int LevelLowDigit = 3;
    static constexpr int Terminator = Size - 1;

    // One hex digit names the lamp, so a controller drives at most sixteen.
    static constexpr int MaxLamps = 16;
    // Two hex digits carry the level: 0 (off) to 255 (full).
    static constexpr int MaxLevel = 255;

    static QByteArray encode(int lamp, int level);
    // The lamp's name wherever the panel shows or speaks it: "LAMP3" for lamp 3.
    static QString lampName(int lamp);
    // The value of a digit as a command writes it (0-9, A-F), or -1 for any other
    // byte: the panel never sends lower case, so "l3c8" is line noise.
    static int digitValue(char byte);
};
