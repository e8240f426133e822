#include "sliderlatencyprobe.h"

#include "monotonicclock.h"

#include <QSlider>

namespace {

constexpr int MaxLevel = 255;

} // namespace

SliderLatencyProbe::SliderLatencyProbe(QVector<QSlider *> sliders, int changes, unsigned seed)
    : m_sliders(std::move(sliders)), m_wanted(changes), m_random(seed)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SliderLatencyProbe::changeNext);
}

void SliderLatencyProbe::start()
{
    m_changes.clear();
    scheduleNext();
}

void SliderLatencyProbe::changeNext()
{
    const int lamp = int(m_changes.size() % std::size_t(m_sliders.size()));
    QSlider *slider = m_sliders.at(lamp);
    const int current = MaxLevel - slider->value();
    // A level other than the current one, so that setting the slider is a change.
    std::uniform_int_distribution<int> step(1, MaxLevel);
    const int level = (current + step(m_random)) % (MaxLevel + 1);

    m_changes.push_back({lamp, level, MonotonicClock::nowNs()});
    slider->setValue(MaxLevel - level);

    if (int(m_changes.size()) >= m_wanted)
        Q_EMIT finished();
    else
        scheduleNext();
}

void SliderLatencyProbe::scheduleNext()
{
    std::uniform_int_distribution<int> gap(int(ShortestGap.count()), int(LongestGap.count()));
    m_timer.start(std::chrono::milliseconds(gap(m_random)));
}
