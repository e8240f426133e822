#pragma once

#include <QtGlobal>
#include <chrono>

class CommandPort;
class DeskModel;

// One tick of the refresh timer: send every lamp that is due, plus the lamp whose
// turn it is, so every shown lamp's level is repeated.
class RefreshCycle final
{
public:
    static constexpr std::chrono::milliseconds Period {125};

    RefreshCycle(DeskModel &desk, CommandPort &port);

    void tick();

private:
    DeskModel &m_desk;
    CommandPort &m_port;
    int m_refreshIndex = 0;
};
