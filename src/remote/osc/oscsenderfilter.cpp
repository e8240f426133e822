#include "remote/osc/oscsenderfilter.h"

#include "remote/listenaddress.h"

#include <QStringList>

namespace {

constexpr int Ipv4Bits = 32;
constexpr int Ipv6Bits = 128;

} // namespace

std::optional<OscSenderFilter> OscSenderFilter::parse(const QString &text)
{
    OscSenderFilter filter;
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.contains(QLatin1Char('/'))) {
            const auto range = QHostAddress::parseSubnet(entry);
            if (range.first.isNull() || range.second < 0)
                return std::nullopt;
            filter.m_ranges.append(range);
            continue;
        }
        const QHostAddress address(entry);
        if (address.isNull())
            return std::nullopt;
        const bool v4 = address.protocol() == QAbstractSocket::IPv4Protocol;
        filter.m_ranges.append({address, v4 ? Ipv4Bits : Ipv6Bits});
    }
    return filter;
}

bool OscSenderFilter::allows(const QHostAddress &sender) const
{
    const QHostAddress plain = ListenAddress::unmapped(sender);
    for (const auto &range : m_ranges) {
        if (plain.isInSubnet(range))
            return true;
    }
    return false;
}
