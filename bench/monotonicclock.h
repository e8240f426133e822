#pragma once

#include <QtGlobal>

// CLOCK_MONOTONIC in nanoseconds: one time line shared by every process on the
// machine, so a launcher and the program it starts can compare their readings.
class MonotonicClock final
{
public:
    static qint64 nowNs();
    static double msBetween(qint64 fromNs, qint64 toNs);
};
