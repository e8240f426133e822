#pragma once

#include <QtGlobal>
#include <vector>

// Matches the moves one page sends for a lamp with the levels the other pages are
// then shown for it. A move counts as shown on a page when the page is shown its
// level or the level of a later move: updates are coalesced, so most moves are
// overtaken by a newer one before a page hears of them. Those are counted as
// superseded; their latency runs until the newer one is shown.
//
// Levels are told apart by value, so a level must not come back within
// MatchWindow moves.
class PageUpdateTracker final
{
public:
    static constexpr int MatchWindow = 255;

    explicit PageUpdateTracker(int pageCount);

    void moveSent(int level, qint64 atNs);
    // A page has been shown the lamp at this level.
    void levelShown(int page, int level, qint64 atNs);

    int moveCount() const { return int(m_moves.size()); }
    // Milliseconds from each move to each page's seeing it, or a later one.
    const std::vector<double> &latenciesMs() const { return m_latenciesMs; }
    // The same, for moves a page saw at their own level only.
    const std::vector<double> &exactLatenciesMs() const { return m_exactLatenciesMs; }
    int superseded() const { return m_superseded; }
    // Pairs of move and page still waiting to be seen.
    int unseen() const;

private:
    struct Move
    {
        int level = 0;
        qint64 atNs = 0;
    };

    std::vector<Move> m_moves;
    // Per page, how many of the first moves it has seen.
    std::vector<int> m_seen;
    std::vector<double> m_latenciesMs;
    std::vector<double> m_exactLatenciesMs;
    int m_superseded = 0;
};
