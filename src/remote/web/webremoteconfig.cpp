#include "remote/web/webremoteconfig.h"

#include "remote/listenaddress.h"

namespace {

// Characters as a person counts them, not UTF-16 units.
qsizetype characterCount(const QString &text)
{
    return text.toUcs4().size();
}

} // namespace

QHostAddress WebRemoteConfig::listenAddress() const
{
    if (characterCount(password) < MinNetworkPasswordLength)
        return QHostAddress(QHostAddress::LocalHost);
    return ListenAddress::parse(address, QHostAddress(QHostAddress::Any));
}

QString WebRemoteConfig::loopbackReason() const
{
    if (password.isEmpty())
        return QStringLiteral("WebPassword is empty, so the page needs no login and is kept to "
                              "this machine");
    if (characterCount(password) < MinNetworkPasswordLength)
        return QStringLiteral("WebPassword is shorter than %1 characters, too quickly guessed "
                              "for a page on the network")
            .arg(MinNetworkPasswordLength);
    const QString text = address.trimmed();
    if (!text.isEmpty() && ListenAddress::parse(text).isNull())
        return QStringLiteral("WebAddress \"%1\" is not an address").arg(text);
    return {};
}
