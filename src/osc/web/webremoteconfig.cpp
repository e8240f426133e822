#include "osc/web/webremoteconfig.h"

QHostAddress WebRemoteConfig::listenAddress() const
{
    if (password.isEmpty())
        return QHostAddress(QHostAddress::LocalHost);
    const QString text = address.trimmed();
    if (text.isEmpty())
        return QHostAddress(QHostAddress::Any);
    QHostAddress parsed;
    return parsed.setAddress(text) ? parsed : QHostAddress(QHostAddress::LocalHost);
}

QString WebRemoteConfig::loopbackReason() const
{
    if (password.isEmpty())
        return QStringLiteral("WebPassword is empty, so the page needs no login and is kept to "
                              "this machine");
    const QString text = address.trimmed();
    if (!text.isEmpty() && QHostAddress(text).isNull())
        return QStringLiteral("WebAddress \"%1\" is not an address").arg(text);
    return {};
}
