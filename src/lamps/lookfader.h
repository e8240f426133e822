#pragma once

#include "lamps/deskmodel.h"

#include <array>
#include <chrono>
#include <functional>

// Brings the desk from its levels to a look's, linearly over a fade time, every lamp
// arriving together. It steps on the refresh tick, just before the tick sends: each
// step sets the levels for that moment and puts the lamps that changed due, so the
// line carries every changed lamp every tick. The desk's verbs take a lamp the
// operator moves out of the fade; the rest go on.
class LookFader final
{
public:
    using Levels = std::array<int, DeskModel::MaxLamps>;
    using Clock = std::function<std::chrono::nanoseconds()>;

    static constexpr std::chrono::milliseconds MaxFade {60'000};

    // clock: the time now on any fixed scale; a monotonic clock when none is given.
    explicit LookFader(DeskModel &desk, Clock clock = {});

    // Starts from the levels the desk holds now, a fade under way included; a fade of 0
    // puts the look on the desk at once. Every lamp, hidden ones too, takes its level.
    void recall(const Levels &levels, std::chrono::milliseconds fade);
    // The levels for now, on the lamps still fading.
    void step();
    bool isFading() const { return m_desk.fadingLamps() != 0; }

private:
    DeskModel &m_desk;
    Clock m_clock;
    Levels m_from {};
    Levels m_to {};
    std::chrono::nanoseconds m_start {};
    std::chrono::nanoseconds m_length {};
};
