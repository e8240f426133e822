#include "remote/web/loginguard.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
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

// How long after its last wrong password a sender can still matter.
constexpr auto SenderRelevance
    = std::max<std::chrono::steady_clock::duration>(LoginGuard::FailureWindow, LoginGuard::LockOut);

} // namespace

LoginGuard::LoginGuard(const QString &password, Clock clock)
    : m_password(password.toUtf8()), m_clock(std::move(clock))
{ }

LoginGuard::Verdict LoginGuard::logIn(const QString &sender, const QByteArray &password,
                                      QByteArray *token)
{
    if (isLockedOut(sender))
        return Verdict::LockedOut;
    const auto now = m_clock();
    while (!m_checks.empty() && now - m_checks.front() >= FailureWindow)
        m_checks.pop_front();
    if (int(m_checks.size()) >= MaxChecksPerWindow)
        return Verdict::Busy;
    m_checks.push_back(now);

    if (!equalInConstantTime(password, m_password)) {
        recordFailure(sender, now);
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

bool LoginGuard::isLockedOut(const QString &sender)
{
    const auto found = m_senders.constFind(sender);
    return found != m_senders.constEnd() && m_clock() < found->lockedUntil;
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

void LoginGuard::recordFailure(const QString &sender, TimePoint now)
{
    forgetOldSenders(now);
    auto found = m_senders.find(sender);
    if (found == m_senders.end()) {
        if (int(m_senders.size()) >= MaxTrackedSenders) {
            m_senders.remove(m_senderOrder.front());
            m_senderOrder.pop_front();
        }
        found = m_senders.insert(sender, {});
        found->position = m_senderOrder.insert(m_senderOrder.end(), sender);
    } else {
        m_senderOrder.splice(m_senderOrder.end(), m_senderOrder, found->position);
    }
    found->failures.removeIf([&](TimePoint when) { return now - when >= FailureWindow; });
    found->failures.append(now);
    if (found->failures.size() >= MaxFailures) {
        found->failures.clear();
        found->lockedUntil = now + LockOut;
    }
}

void LoginGuard::forgetOldSenders(TimePoint now)
{
    while (!m_senderOrder.empty()) {
        const auto oldest = m_senders.constFind(m_senderOrder.front());
        const TimePoint last = oldest->failures.isEmpty() ? oldest->lockedUntil - LockOut
                                                          : oldest->failures.constLast();
        if (now - last < SenderRelevance)
            return;
        m_senders.erase(oldest);
        m_senderOrder.pop_front();
    }
}
