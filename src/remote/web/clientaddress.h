#pragma once

#include <QHostAddress>
#include <QString>

// How the phone remote names a client in its log and in its limits.
namespace ClientAddress {

// The address as one text for IPv4 clients on a dual-stack socket and on an IPv4 one alike.
QString text(const QHostAddress &peer);

// What the limits count by: an IPv4 address itself, an IPv6 address by its /64, since
// any host on a network can give itself as many addresses in its /64 as it likes.
QString sender(const QHostAddress &peer);

} // namespace ClientAddress
