#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>

// The password and the login tokens of the remote page. A right password earns a
// random token, good until the process ends; five wrong ones from one address within
// a minute lock that address out for a minute.
class LoginGuard final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    enum class Verdict { Accepted, Refused, LockedOut };

    static constexpr int MaxFailures = 5;
    static constexpr std::chrono::minutes FailureWindow {1};
    static constexpr std::chrono::minutes LockOut {1};
    static constexpr int TokenBytes = 32;
    // Tokens kept; the oldest goes when a login would exceed it.
    static constexpr int MaxTokens = 256;
    // Addresses with recent wrong passwords kept before old ones are swept out.
    static constexpr int MaxTrackedAddresses = 4096;

    // An empty password needs no login: every request counts as logged in.
    explicit LoginGuard(const QString &password, Clock clock = std::chrono::steady_clock::now);

    bool needsLogin() const { return !m_password.isEmpty(); }

    // Checks a password from address; on Accepted, token holds the new token.
    Verdict logIn(const QString &address, const QByteArray &password, QByteArray *token);
    // Whether an address is locked out at the moment.
    bool isLockedOut(const QString &address);
    // Whether a token came from a login of this process (always true without a password).
    bool isValidToken(const QByteArray &token) const;

private:
    void forgetEveryOldFailure(std::chrono::steady_clock::time_point now);
    void forgetOldFailures(const QString &address, std::chrono::steady_clock::time_point now);

    QByteArray m_password;
    Clock m_clock;
    QList<QByteArray> m_tokens;
    QHash<QString, QList<std::chrono::steady_clock::time_point>> m_failures;
    QHash<QString, std::chrono::steady_clock::time_point> m_lockedUntil;
};
