#include "monitor/lampactivity.h"

#include <algorithm>

namespace {
constexpr std::chrono::milliseconds MinimumRateSpan {1000};
} // namespace

void LampActivity::recordCommand(int lamp, int level, qint64 nowMs)
{
    if (lamp < 0 || lamp >= LampCommand::MaxLamps)
        return;
    Lamp &entry = m_lamps[static_cast<std::size_t>(lamp)];
    if (entry.seen && entry.level != level) {
        entry.changed = true;
        entry.lastChangeMs = nowMs;
    }
    entry.seen = true;
    entry.level = level;
    entry.lastCommandMs = nowMs;
    m_recentCommandsMs.push_back(nowMs);
    ++m_commandCount;
    forgetBefore(nowMs);
}

void LampActivity::recordMalformed(qint64 byteCount)
{
    m_malformedByteCount += byteCount;
}

LampActivity::Lamp LampActivity::lamp(int index) const
{
    if (index < 0 || index >= LampCommand::MaxLamps)
        return {};
    return m_lamps[static_cast<std::size_t>(index)];
}

double LampActivity::commandsPerSecond(qint64 nowMs)
{
    forgetBefore(nowMs);
    // Until the clock has run a whole window, average over the time it has run, but
    // never less than a second, so that the first command does not read as a burst.
    const qint64 spanMs = std::clamp<qint64>(nowMs, MinimumRateSpan.count(), RateWindow.count());
    const double spanSeconds
        = std::chrono::duration<double>(std::chrono::milliseconds(spanMs)).count();
    return static_cast<double>(m_recentCommandsMs.size()) / spanSeconds;
}

void LampActivity::forgetBefore(qint64 nowMs)
{
    const qint64 oldest = nowMs - RateWindow.count();
    while (!m_recentCommandsMs.empty() && m_recentCommandsMs.front() <= oldest)
        m_recentCommandsMs.pop_front();
}
