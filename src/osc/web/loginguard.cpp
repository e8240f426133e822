#include "osc/web/loginguard.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <array>

namespace {

// Compares digests rather than the texts, so that neither the length nor the first
// difference of the guess shows in the time taken.
bool equalInConstantTime(const QByteArray &a, const QByteArray &b)
{
    const QByteArray da = QCryptographicHash::hash(a, QCryptographicHash::Sha256);
    const QByteArray db = QCryptographicHash::hash(b, QCryptographicHash::Sha256);
    unsigned char difference = 0;
    for (qsizetype i = 0; i < da.size(); ++i)
        difference |= static_cast<unsigned char>(da.at(i) ^ db.at(i));
    return difference == 0;
}

} // namespace

LoginGuard::LoginGuard(const QString &password, Clock clock)
    : m_password(password.toUtf8()), m_clock(std::move(clock))
{ }

LoginGuard::Verdict LoginGuard::logIn(const QString &address, const QByteArray &password,
                                      QByteArray *token)
{
    if (isLockedOut(address))
        return Verdict::LockedOut;
    const auto now = m_clock();
    if (!equalInConstantTime(password, m_password)) {
        // Wrong guesses from ever new addresses must not grow memory without end.
        if (m_failures.size() + m_lockedUntil.size() >= MaxTrackedAddresses)
            forgetEveryOldFailure(now);
        forgetOldFailures(address, now);
        auto &failures = m_failures[address];
        failures.append(now);
        if (failures.size() >= MaxFailures) {
            m_failures.remove(address);
            m_lockedUntil.insert(address, now + LockOut);
        }
        return Verdict::Refused;
    }

    std::array<quint32, TokenBytes / sizeof(quint32)> words {};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray fresh
        = QByteArray(reinterpret_cast<const char *>(words.data()), TokenBytes).toHex();
    if (m_tokens.size() >= MaxTokens)
        m_tokens.removeFirst();
    m_tokens.append(fresh);
    if (token)
        *token = fresh;
    return Verdict::Accepted;
}

bool LoginGuard::isLockedOut(const QString &address)
{
    const auto found = m_lockedUntil.constFind(address);
    if (found == m_lockedUntil.constEnd())
        return false;
    if (m_clock() < *found)
        return true;
    m_lockedUntil.remove(address);
    return false;
}

bool LoginGuard::isValidToken(const QByteArray &token) const
{
    if (!needsLogin())
        return true;
    bool found = false;
    for (const QByteArray &known : m_tokens)
        found |= equalInConstantTime(token, known);
    return found;
}

void LoginGuard::forgetOldFailures(const QString &address,
                                   std::chrono::steady_clock::time_point now)
{
    auto found = m_failures.find(address);
    if (found == m_failures.end())
        return;
    found->removeIf([&](auto when) { return now - when >= FailureWindow; });
    if (found->isEmpty())
        m_failures.erase(found);
}

void LoginGuard::forgetEveryOldFailure(std::chrono::steady_clock::time_point now)
{
    for (const QString &address : m_failures.keys())
        forgetOldFailures(address, now);
    m_lockedUntil.removeIf([&](const auto &entry) { return now >= entry.value(); });
}
