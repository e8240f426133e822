#include "remote/web/localhostnames.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <algorithm>

namespace {

const QString LocalDomain = QStringLiteral(".local");
constexpr qsizetype MaxPortDigits = 5;

bool isPort(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > MaxPortDigits)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The host of a Host header without its port; empty when it is malformed.
QString hostPart(const QByteArray &host)
{
    QByteArray name = host;
    if (name.startsWith('[')) {
        const qsizetype close = name.indexOf(']');
        if (close < 0)
            return {};
        const QByteArray rest = name.mid(close + 1);
        if (!rest.isEmpty() && !(rest.startsWith(':') && isPort(QByteArrayView(rest).sliced(1))))
            return {};
        name = name.mid(1, close - 1);
    } else if (const qsizetype colon = name.indexOf(':'); colon >= 0) {
        if (!isPort(QByteArrayView(name).sliced(colon + 1)))
            return {};
        name.truncate(colon);
    }
    if (name.endsWith('.'))
        name.chop(1);
    return QString::fromLatin1(name).toLower();
}

bool isOwnAddress(const QHostAddress &address)
{
    if (address.isLoopback())
        return true;
    QHostAddress plain = address;
    plain.setScopeId({});
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.cbegin(), own.cend(), [&](QHostAddress candidate) {
        candidate.setScopeId({});
        return candidate.isEqual(plain, QHostAddress::TolerantConversion);
    });
}

} // namespace

LocalHostNames::LocalHostNames(const QStringList &extraNames)
{
    m_names << QStringLiteral("localhost");
    const QString machine = QHostInfo::localHostName().toLower();
    if (!machine.isEmpty())
        m_names << machine << machine + LocalDomain;
    for (const QString &name : extraNames) {
        const QString trimmed = name.trimmed().toLower();
        if (!trimmed.isEmpty())
            m_names << trimmed;
    }
}

bool LocalHostNames::accepts(const QByteArray &host) const
{
    const QString name = hostPart(host);
    if (name.isEmpty())
        return false;
    if (m_names.contains(name))
        return true;
    // Addresses are looked up at each request: a venue's DHCP may change them.
    const QHostAddress address(name);
    return !address.isNull() && isOwnAddress(address);
}
