#pragma once

#include <QtGlobal>
#include <chrono>

class CommandPort;
class LampBank;

// One tick of the refresh timer: send every marked lamp, plus the lamp whose
// turn it is, so every installed lamp's level is repeated.
class RefreshCycle final
{
public:
    static constexpr std::chrono::milliseconds Period {125};

    RefreshCycle(LampBank &bank, CommandPort &port);

    void tick();

private:
    LampBank &m_bank;
    CommandPort &m_port;
    qint16 m_refreshIndex = 0;
};
