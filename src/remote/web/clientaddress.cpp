#include "remote/web/clientaddress.h"

#include "remote/listenaddress.h"

namespace {

// The part of an IPv6 address one network hands out to its hosts.
constexpr int HostPrefixBytes = 8;

} // namespace

QString ClientAddress::text(const QHostAddress &peer)
{
    return ListenAddress::unmapped(peer).toString();
}

QString ClientAddress::sender(const QHostAddress &peer)
{
    const QHostAddress plain = ListenAddress::unmapped(peer);
    if (plain.protocol() == QAbstractSocket::IPv4Protocol)
        return plain.toString();
    Q_IPV6ADDR prefix = peer.toIPv6Address();
    for (int i = HostPrefixBytes; i < int(sizeof prefix.c); ++i)
        prefix.c[i] = 0;
    return QHostAddress(prefix).toString() + QStringLiteral("/64");
}
