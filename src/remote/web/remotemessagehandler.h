#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

class QJsonObject;
class RemotePanel;

// What one remote page asks of the panel: JSON text messages in, calls on the panel
// out. Anything that does not parse, or names a lamp, level or group that is not
// there, is ignored. Moves are paced: at most one per MoveInterval, and of those that
// come faster only the newest is kept, to be applied when its turn comes. Pure: the
// caller tells the time and calls applyDueMove() when nextMoveDue() says.
class RemoteMessageHandler final
{
public:
    using Time = std::chrono::nanoseconds;
    static constexpr Time MoveInterval = std::chrono::nanoseconds(1'000'000'000 / 60);

    explicit RemoteMessageHandler(RemotePanel &panel) : m_panel(panel) { }

    // The answer the page is owed: {"type":"pong"} for its {"type":"ping"}, the
    // heartbeat by which it knows the link is alive; empty for everything else.
    QByteArray handleMessage(const QByteArray &text, Time now);
    // Applies the kept move if its turn has come.
    void applyDueMove(Time now);
    // When the kept move is due; nothing when none is kept.
    std::optional<Time> nextMoveDue() const;

private:
    struct Move
    {
        int lamp = 0;
        int level = 0;
    };

    void recall(const QJsonObject &message);
    void move(const Move &move, Time now);
    void apply(const Move &move, Time now);

    RemotePanel &m_panel;
    std::optional<Move> m_pending;
    std::optional<Time> m_lastMove;
};
