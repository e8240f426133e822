#include "samplestatistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

SampleStatistics::SampleStatistics(std::vector<double> samples) : m_sorted(std::move(samples))
{
    std::sort(m_sorted.begin(), m_sorted.end());
}

double SampleStatistics::mean() const
{
    if (m_sorted.empty())
        return 0.0;
    return std::accumulate(m_sorted.begin(), m_sorted.end(), 0.0) / double(m_sorted.size());
}

double SampleStatistics::percentile(double percent) const
{
    if (m_sorted.empty())
        return 0.0;
    const auto rank = std::size_t(std::ceil(percent / 100.0 * double(m_sorted.size())));
    return m_sorted.at(std::clamp<std::size_t>(rank, 1, m_sorted.size()) - 1);
}

double SampleStatistics::minimum() const
{
    return m_sorted.empty() ? 0.0 : m_sorted.front();
}

double SampleStatistics::maximum() const
{
    return m_sorted.empty() ? 0.0 : m_sorted.back();
}
