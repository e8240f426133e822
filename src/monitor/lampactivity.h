#pragma once

#include "monitor/lampcommanddecoder.h"

#include <QtGlobal>

#include <array>
#include <chrono>
#include <deque>

// What the line has shown so far: each lamp's last level and when it came, the recent
// command rate and the bad bytes. Times are milliseconds on the monitor's monotonic clock.
class LampActivity final
{
public:
    // Commands per second are averaged over this window, so the figure stays steady
    // between the panel's 125 ms ticks.
    static constexpr std::chrono::milliseconds RateWindow {2000};

    struct Lamp
    {
        bool seen = false;
        int level = 0;
        qint64 lastCommandMs = 0;
        // A command with another level than the lamp's last one; the first command a
        // lamp gets is no change, as its level before is not known.
        bool changed = false;
        qint64 lastChangeMs = 0;
    };

    void recordCommand(int lamp, int level, qint64 nowMs);
    void recordMalformed(qint64 byteCount);

    Lamp lamp(int index) const;
    double commandsPerSecond(qint64 nowMs);
    qint64 commandCount() const { return m_commandCount; }
    qint64 malformedByteCount() const { return m_malformedByteCount; }

private:
    void forgetBefore(qint64 nowMs);

    std::array<Lamp, LampCommand::MaxLamps> m_lamps {};
    std::deque<qint64> m_recentCommandsMs;
    qint64 m_commandCount = 0;
    qint64 m_malformedByteCount = 0;
};
