#include "remote/web/clientaddress.h"

namespace {

// The part of an IPv6 address one network hands out to its hosts.
constexpr int HostPrefixBytes = 8;

} // namespace

QString ClientAddress::text(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

QString ClientAddress::sender(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    if (isV4)
        return QHostAddress(v4).toString();
    Q_IPV6ADDR prefix = peer.toIPv6Address();
    for (int i = HostPrefixBytes; i < int(sizeof prefix.c); ++i)
        prefix.c[i] = 0;
    return QHostAddress(prefix).toString() + QStringLiteral("/64");
}
