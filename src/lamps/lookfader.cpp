#include "lamps/lookfader.h"

#include <algorithm>
#include <utility>

namespace {

constexpr DeskModel::LampSet AllLamps = (DeskModel::LampSet(1) << DeskModel::MaxLamps) - 1;

std::chrono::nanoseconds steadyNow()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace

LookFader::LookFader(DeskModel &desk, Clock clock)
    : m_desk(desk), m_clock(clock ? std::move(clock) : Clock(steadyNow))
{ }

void LookFader::recall(const Levels &levels, std::chrono::milliseconds fade)
{
    m_to = levels;
    if (fade <= std::chrono::milliseconds::zero()) {
        m_desk.setFadingLamps(0);
        m_desk.setFadeLevels(m_to, AllLamps);
        return;
    }
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp)
        m_from.at(lamp) = m_desk.level(lamp);
    m_start = m_clock();
    m_length = fade;
    m_desk.setFadingLamps(AllLamps);
}

void LookFader::step()
{
    const DeskModel::LampSet fading = m_desk.fadingLamps();
    if (fading == 0)
        return;
    const std::chrono::nanoseconds elapsed = m_clock() - m_start;
    if (elapsed >= m_length) {
        m_desk.setFadingLamps(0);
        m_desk.setFadeLevels(m_to, fading);
        return;
    }
    const qint64 part = std::max<qint64>(elapsed.count(), 0);
    // Cut toward the start, not rounded: no lamp reaches the look before the others.
    // 255 steps times a minute in nanoseconds stays far inside 64 bits.
    Levels now {};
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp)
        now.at(lamp) = m_from.at(lamp)
            + int(qint64(m_to.at(lamp) - m_from.at(lamp)) * part / m_length.count());
    m_desk.setFadeLevels(now, fading);
}
