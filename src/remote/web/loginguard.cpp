#include "remote/web/loginguard.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>

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

constexpr int EndBytes = 8;
constexpr qsizetype MacBytes = 32;
constexpr qsizetype SecretBytes = 32;

QByteArray randomBytes(qsizetype count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; i += qsizetype(sizeof(quint32))) {
        const quint32 word = QRandomGenerator::system()->generate();
        std::memcpy(bytes.data() + i, &word, std::min<size_t>(sizeof word, size_t(count - i)));
    }
    return bytes;
}

// How long after its last wrong password a sender can still matter.
constexpr auto SenderRelevance
    = std::max<std::chrono::steady_clock::duration>(LoginGuard::FailureWindow, LoginGuard::LockOut);

} // namespace

LoginGuard::LoginGuard(const QString &password, QByteArray secret, Clock clock, WallClock wallClock)
    : m_password(password.toUtf8())
    , m_clock(std::move(clock))
    , m_secret(secret.isEmpty() ? randomBytes(SecretBytes) : std::move(secret))
    , m_passwordDigest(QCryptographicHash::hash(m_password, QCryptographicHash::Sha256))
    , m_wallClock(wallClock ? std::move(wallClock)
                            : [] { return QDateTime::currentSecsSinceEpoch(); })
{ }

QByteArray LoginGuard::mac(const QByteArray &nonceAndEnd) const
{
    return QMessageAuthenticationCode::hash(nonceAndEnd + m_passwordDigest, m_secret,
                                            QCryptographicHash::Sha256);
}

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
    const qint64 end = m_wallClock() + std::chrono::seconds(TokenLifetime).count();
    QByteArray nonceAndEnd = randomBytes(NonceBytes);
    nonceAndEnd.resize(NonceBytes + EndBytes);
    qToBigEndian<qint64>(end, nonceAndEnd.data() + NonceBytes);
    if (token)
        *token = (nonceAndEnd + mac(nonceAndEnd)).toHex();
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
    const QByteArray bytes = QByteArray::fromHex(token);
    if (token.size() != 2 * (NonceBytes + EndBytes + MacBytes)
        || bytes.size() != NonceBytes + EndBytes + MacBytes)
        return false;
    const QByteArray nonceAndEnd = bytes.left(NonceBytes + EndBytes);
    if (!equalInConstantTime(bytes.mid(NonceBytes + EndBytes), mac(nonceAndEnd)))
        return false;
    const qint64 end = qFromBigEndian<qint64>(nonceAndEnd.constData() + NonceBytes);
    const qint64 now = m_wallClock();
    // A clock set back must not stretch a login beyond its lifetime.
    return now < end && end - now <= std::chrono::seconds(TokenLifetime).count();
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
