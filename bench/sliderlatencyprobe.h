#pragma once

#include <QObject>
#include <QTimer>
#include <QVector>
#include <QtGlobal>
#include <chrono>
#include <random>
#include <vector>

class QSlider;

// Moves the lamp sliders the way an operator's keys would, at random moments, so the
// changes fall at every phase of the refresh tick. Lamps are taken in turn, so the
// same lamp is not changed again until well after its last change was sent, and
// every new level differs from the lamp's current one. Records each change's time
// just before the slider is set (setting it marks the lamp at once).
class SliderLatencyProbe final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds ShortestGap {37};
    static constexpr std::chrono::milliseconds LongestGap {200};

    struct Change
    {
        int lamp = 0;
        int level = 0;
        qint64 atNs = 0;
    };

    SliderLatencyProbe(QVector<QSlider *> sliders, int changes, unsigned seed);

    void start();
    const std::vector<Change> &changes() const { return m_changes; }

Q_SIGNALS:
    void finished();

private:
    void changeNext();
    void scheduleNext();

    QVector<QSlider *> m_sliders;
    int m_wanted = 0;
    std::mt19937 m_random;
    std::vector<Change> m_changes;
    QTimer m_timer;
};
