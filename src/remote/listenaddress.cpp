#include "remote/listenaddress.h"

#include <QRegularExpression>

QHostAddress ListenAddress::parse(const QString &text)
{
    static const QRegularExpression dottedQuad(
        QStringLiteral("^[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}$"));
    const QString trimmed = text.trimmed();
    if (!trimmed.contains(QLatin1Char(':')) && !dottedQuad.match(trimmed).hasMatch())
        return {};
    QHostAddress parsed;
    return parsed.setAddress(trimmed) ? parsed : QHostAddress();
}

QHostAddress ListenAddress::parse(const QString &text, const QHostAddress &fallback)
{
    if (text.trimmed().isEmpty())
        return fallback;
    const QHostAddress parsed = parse(text);
    return parsed.isNull() ? QHostAddress(QHostAddress::LocalHost) : parsed;
}

QHostAddress ListenAddress::unmapped(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}
