#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>
#include <list>

// The password and the login tokens of the remote page. A right password earns a
// random token, good until the process ends. Five wrong passwords from one sender
// within a minute lock that sender out for a minute; and since a sender can be many
// addresses, at most MaxChecksPerWindow passwords a minute are checked at all, from
// every sender together.
class LoginGuard final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    enum class Verdict { Accepted, Refused, LockedOut, Busy };

    static constexpr int MaxFailures = 5;
    static constexpr std::chrono::minutes FailureWindow {1};
    static constexpr std::chrono::minutes LockOut {1};
    static constexpr int MaxChecksPerWindow = 30;
    static constexpr int TokenBytes = 32;
    // Tokens kept; the oldest goes when a login would exceed it.
    static constexpr int MaxTokens = 256;
    // Senders with recent wrong passwords kept, the least recent dropped first. With at
    // most MaxChecksPerWindow checks a window, no sender that still counts is dropped.
    static constexpr int MaxTrackedSenders = 256;
    static_assert(MaxTrackedSenders >= 2 * MaxChecksPerWindow);

    // An empty password needs no login: every request counts as logged in.
    explicit LoginGuard(const QString &password, Clock clock = std::chrono::steady_clock::now);

    bool needsLogin() const { return !m_password.isEmpty(); }

    // Checks a password from sender; on Accepted, token holds the new token. LockedOut
    // and Busy leave the password unchecked.
    Verdict logIn(const QString &sender, const QByteArray &password, QByteArray *token);
    // Whether a sender is locked out at the moment.
    bool isLockedOut(const QString &sender);
    // Whether a token came from a login of this process (always true without a password).
    bool isValidToken(const QByteArray &token) const;

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Sender
    {
        QList<TimePoint> failures;
        TimePoint lockedUntil {};
        std::list<QString>::iterator position;
    };

    void recordFailure(const QString &sender, TimePoint now);
    void forgetOldSenders(TimePoint now);

    QByteArray m_password;
    Clock m_clock;
    QList<QByteArray> m_tokens;
    // When each check of the last window was made, oldest first.
    std::deque<TimePoint> m_checks;
    QHash<QString, Sender> m_senders;
    // The senders by their last wrong password, oldest first.
    std::list<QString> m_senderOrder;
};
