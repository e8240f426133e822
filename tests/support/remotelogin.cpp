#include "remotelogin.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto RetryInterval = 100ms;
constexpr auto AttemptTimeout = 5s;

// One attempt: the whole answer, empty when the connection failed.
QByteArray postLogin(quint16 port, const QString &password, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {};
    socket.write(RemoteLogin::request("127.0.0.1:" + QByteArray::number(port), password));
    // The panel closes the connection once it has answered.
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(int(deadline.remainingTime()));
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

} // namespace

QByteArray RemoteLogin::request(const QByteArray &host, const QString &password,
                                const QByteArray &headers)
{
    const QByteArray body = "password=" + QUrl::toPercentEncoding(password);
    return "POST /login HTTP/1.1\r\nHost: " + host + "\r\n" + headers
        + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray RemoteLogin::sessionCookie(const QByteArray &answer)
{
    static const QRegularExpression cookie(
        QStringLiteral("^Set-Cookie: ([^=;\\r\\n]+=[0-9a-f]{144}); Max-Age=43200; HttpOnly; "
                       "SameSite=Strict; "
                       "Path=/\\r$"),
        QRegularExpression::MultilineOption);
    return cookie.match(QString::fromLatin1(answer)).captured(1).toLatin1();
}

QByteArray RemoteLogin::sessionCookie(quint16 port, const QString &password,
                                      std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        const QByteArray answer = postLogin(port, password, AttemptTimeout);
        if (!answer.isEmpty())
            return sessionCookie(answer);
        std::this_thread::sleep_for(RetryInterval);
    }
    return {};
}
