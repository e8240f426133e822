#pragma once

#include <QByteArray>

// The five-byte lamp command: 'L', the lamp as one upper-case hex digit, the
// level as two, and a carriage return. "L3C8\r" sets lamp 3 to level 200.
class LampCommand final
{
public:
    static constexpr int Size = 5;

    static QByteArray encode(int lamp, int level);
};
