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
// token good for TokenLifetime, across restarts of the panel: it holds a random part,
// when it ends, and a MAC over both and the password's digest under a secret the panel
// keeps (SessionSecret), so it is checked without a list of tokens, and a new password
// or a new secret ends every login. Five wrong passwords from one sender
// within a minute lock that sender out for a minute; and since a sender can be many
// addresses, at most MaxChecksPerWindow passwords a minute are checked at all, from
// every sender together.
class LoginGuard final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Seconds since the epoch: a token's end must mean the same after a restart.
    using WallClock = std::function<qint64()>;

    enum class Verdict { Accepted, Refused, LockedOut, Busy };

    static constexpr int MaxFailures = 5;
    static constexpr std::chrono::minutes FailureWindow {1};
    static constexpr std::chrono::minutes LockOut {1};
    static constexpr int MaxChecksPerWindow = 30;
    static constexpr int NonceBytes = 32;
    static constexpr std::chrono::hours TokenLifetime {12};
    // Senders with recent wrong passwords kept, the least recent dropped first. With at
    // most MaxChecksPerWindow checks a window, no sender that still counts is dropped.
    static constexpr int MaxTrackedSenders = 256;
    static_assert(MaxTrackedSenders >= 2 * MaxChecksPerWindow);

    // An empty password needs no login: every request counts as logged in. An empty
    // secret is made up, for this process alone.
    LoginGuard(const QString &password, QByteArray secret,
               Clock clock = std::chrono::steady_clock::now, WallClock wallClock = {});

    bool needsLogin() const { return !m_password.isEmpty(); }

    // Checks a password from sender; on Accepted, token holds the new token. LockedOut
    // and Busy leave the password unchecked.
    Verdict logIn(const QString &sender, const QByteArray &password, QByteArray *token);
    // Whether a sender is locked out at the moment.
    bool isLockedOut(const QString &sender);
    // Whether a token came from a login with this password and secret and has not ended
    // (always true without a password).
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
    QByteArray mac(const QByteArray &nonceAndEnd) const;

    QByteArray m_secret;
    QByteArray m_passwordDigest;
    WallClock m_wallClock;
    // When each check of the last window was made, oldest first.
    std::deque<TimePoint> m_checks;
    QHash<QString, Sender> m_senders;
    // The senders by their last wrong password, oldest first.
    std::list<QString> m_senderOrder;
};
