#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// The machines OSC is taken from: addresses and CIDR ranges, IPv4 and IPv6, as in
// "192.168.1.20, 10.0.0.0/24, fd00::/8". OSC has no password, so on a shared network
// this is what keeps a laptop's scanning OSC app off the lamps.
class OscSenderFilter final
{
public:
    // The filter a text names; none when any entry is not an address or range, so a
    // typing slip turns OSC off rather than open.
    static std::optional<OscSenderFilter> parse(const QString &text);

    // Whether a datagram from this sender may be decoded. An IPv4 sender seen through
    // a dual-stack socket (::ffff:a.b.c.d) counts as the IPv4 address.
    bool allows(const QHostAddress &sender) const;

private:
    QList<QPair<QHostAddress, int>> m_ranges;
};
