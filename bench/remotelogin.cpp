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

} // namespace

QByteArray RemoteLogin::sessionCookie(quint16 port, const QByteArray &password,
                                      std::chrono::milliseconds timeout)
{
    static const QRegularExpression cookie(
        QStringLiteral("^Set-Cookie: (kelvaris_session=[^;\\r\\n]+)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    const QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        const QByteArray answer = postLogin(port, password, AttemptTimeout);
        if (!answer.isEmpty())
            return cookie.match(QString::fromLatin1(answer)).captured(1).toLatin1();
        std::this_thread::sleep_for(RetryInterval);
    }
    return {};
}

QByteArray RemoteLogin::postLogin(quint16 port, const QByteArray &password,
                                  std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {};
    const QByteArray body = "password=" + QUrl::toPercentEncoding(QString::fromUtf8(password));
    socket.write("POST /login HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port)
                 + "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    // The panel closes the connection once it has answered.
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(int(deadline.remainingTime()));
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}
