#pragma once

#include <cstddef>
#include <vector>

// Summary figures of a set of measurements. Percentiles are nearest-rank, so they
// are always one of the measured values.
class SampleStatistics final
{
public:
    explicit SampleStatistics(std::vector<double> samples);

    std::size_t count() const { return m_sorted.size(); }
    double mean() const;
    double percentile(double percent) const;
    double median() const { return percentile(50.0); }
    double minimum() const;
    double maximum() const;

private:
    std::vector<double> m_sorted;
};
