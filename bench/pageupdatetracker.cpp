#include "pageupdatetracker.h"

#include "monotonicclock.h"

#include <algorithm>

PageUpdateTracker::PageUpdateTracker(int pageCount) : m_seen(std::size_t(pageCount), 0) { }

void PageUpdateTracker::moveSent(int level, qint64 atNs)
{
    m_moves.push_back({level, atNs});
}

void PageUpdateTracker::levelShown(int page, int level, qint64 atNs)
{
    int &seen = m_seen.at(std::size_t(page));
    const int newest = moveCount() - 1;
    const int oldest = std::max(seen, newest - MatchWindow + 1);
    int matched = -1;
    for (int k = newest; k >= oldest && matched < 0; --k) {
        if (m_moves.at(std::size_t(k)).level == level)
            matched = k;
    }
    // A level from before the drag, or one this page has seen already.
    if (matched < 0)
        return;
    for (int k = seen; k <= matched; ++k) {
        const double latency = MonotonicClock::msBetween(m_moves.at(std::size_t(k)).atNs, atNs);
        m_latenciesMs.push_back(latency);
        if (k == matched)
            m_exactLatenciesMs.push_back(latency);
        else
            ++m_superseded;
    }
    seen = matched + 1;
}

int PageUpdateTracker::unseen() const
{
    int count = 0;
    for (int seen : m_seen)
        count += moveCount() - seen;
    return count;
}
