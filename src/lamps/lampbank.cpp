#include "lamps/lampbank.h"

#include "lamps/lampcontrols.h"

LampBank::LampBank(LampControls &controls) : m_controls(controls) { }

void LampBank::lampLevelChanged(int index)
{
    const int value = m_controls.sliderValue(index);
    const auto level = static_cast<qint16>(LampCommand::MaxLevel - value);
    m_lampLevel.at(index) = level;
    m_controls.setDisplayGrey(index, level);
    m_sendMarks.at(index) = FlagTrue;

    if (m_syncSource >= 0 || m_controls.checkboxValue(index) != 1)
        return;

    m_syncSource = static_cast<qint16>(index);
    const int count = m_lampCount;
    for (int j = 0; j < count; ++j) {
        // Each assignment re-enters here for lamp j, which stops at the guard above.
        if (j != m_syncSource && m_controls.checkboxValue(j) == 1)
            m_controls.setSliderValue(j, m_controls.sliderValue(index));
    }
    m_syncSource = SyncIdle;
}

void LampBank::reset()
{
    for (int i = 0; i < LampCommand::MaxLamps; ++i) {
        m_lampLevel.at(i) = 0;
        m_sendMarks.at(i) = FlagFalse;
    }
}

void LampBank::markAllForSending()
{
    const int count = qBound(0, int(m_lampCount), LampCommand::MaxLamps);
    for (int i = 0; i < count; ++i)
        m_sendMarks.at(i) = FlagTrue;
}
