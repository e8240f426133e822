#pragma once

#include "lamps/lampcommand.h"

#include <QtGlobal>
#include <array>

class LampControls;

// The lamps' levels and send marks, and the rule that moving a checked lamp's
// slider moves every other checked lamp's slider with it.
class LampBank final
{
public:
    // Flags are -1 for true and 0 for false; only -1 counts as set.
    static constexpr qint16 FlagTrue = -1;
    static constexpr qint16 FlagFalse = 0;
    // SyncSource: idle, or the layout re-setting every slider.
    static constexpr qint16 SyncIdle = -1;
    static constexpr qint16 SyncLayout = 255;

    explicit LampBank(LampControls &controls);

    // Takes lamp index's level from its slider, paints its indicator, marks it
    // for sending and, for a checked lamp, moves the other checked lamps.
    void lampLevelChanged(int index);

    // Every level and mark back to 0, as at start-up.
    void reset();
    // A level kept from an earlier run, set before the layout puts the sliders at the
    // bank's levels; it marks nothing and moves no other lamp.
    void restoreLevel(int lamp, qint16 level) { m_lampLevel.at(lamp) = level; }

    qint16 lampLevel(int lamp) const { return m_lampLevel.at(lamp); }
    bool isMarkedForSending(int lamp) const { return m_sendMarks.at(lamp) == FlagTrue; }
    void clearSendMark(int lamp) { m_sendMarks.at(lamp) = FlagFalse; }
    // Marks every installed lamp (0 to lampCount() - 1), so that the next refresh tick
    // sends all current levels: a controller that has just come back learns them at once.
    void markAllForSending();

    qint16 syncSource() const { return m_syncSource; }
    void setSyncSource(qint16 source) { m_syncSource = source; }

    qint16 lampCount() const { return m_lampCount; }
    void setLampCount(qint16 count) { m_lampCount = count; }

private:
    LampControls &m_controls;
    std::array<qint16, LampCommand::MaxLamps> m_lampLevel {};
    std::array<qint16, LampCommand::MaxLamps> m_sendMarks {};
    // Held at 0 until the first layout has run, so nothing propagates before then.
    qint16 m_syncSource = 0;
    qint16 m_lampCount = 0;
};
