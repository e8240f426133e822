#include "remote/web/webremoteconfig.h"

#include <QRegularExpression>

namespace {

// The address the text names, or a null address. IPv4 only in full dotted form:
// QHostAddress would also take "192.168.1" (as 192.168.0.1) or "1".
QHostAddress parseAddress(const QString &text)
{
    static const QRegularExpression dottedQuad(
        QStringLiteral("^[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}$"));
    QHostAddress parsed;
    if (!text.contains(QLatin1Char(':')) && !dottedQuad.match(text).hasMatch())
        return {};
    return parsed.setAddress(text) ? parsed : QHostAddress();
}

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
    const QString text = address.trimmed();
    if (text.isEmpty())
        return QHostAddress(QHostAddress::Any);
    const QHostAddress parsed = parseAddress(text);
    return parsed.isNull() ? QHostAddress(QHostAddress::LocalHost) : parsed;
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
    if (!text.isEmpty() && parseAddress(text).isNull())
        return QStringLiteral("WebAddress \"%1\" is not an address").arg(text);
    return {};
}
