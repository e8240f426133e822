#include "remote/web/httpconnection.h"

#include "remote/web/httpstatus.h"

#include <QTcpSocket>

namespace {

// The most that is ever buffered: a request at its limits and one byte to tell.
constexpr qsizetype MaxBuffered
    = HttpRequestParser::MaxHeaderBytes + HttpRequestParser::MaxBodyBytes + 1;

} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(MaxBuffered);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readPending);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_socket->abort();
        deleteLater();
    });
    m_deadline.start(RequestDeadline);
    // Bytes may have come with the connection; they are read once the owner listens.
    QMetaObject::invokeMethod(this, &HttpConnection::readPending, Qt::QueuedConnection);
}

void HttpConnection::respond(int status, const QList<QByteArray> &headers, const QByteArray &body)
{
    if (m_answered)
        return;
    m_answered = true;
    disconnect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readPending);
    // Whatever the client sent is dropped unread; the answer closes the connection.
    QByteArray answer
        = "HTTP/1.1 " + QByteArray::number(status) + ' ' + HttpStatus::reason(status) + "\r\n";
    for (const QByteArray &line : headers)
        answer += line + "\r\n";
    answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    // same-origin rather than no-referrer: under no-referrer the login form's own
    // Origin would be "null", and the login could not tell it from another site's.
    answer += "Connection: close\r\nCache-Control: no-store\r\n"
              "X-Content-Type-Options: nosniff\r\nReferrer-Policy: same-origin\r\n\r\n";
    answer += body;
    m_socket->write(answer);
    m_socket->disconnectFromHost();
}

QTcpSocket *HttpConnection::switchProtocols(const QList<QByteArray> &headers)
{
    m_answered = true;
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(HttpStatus::SwitchingProtocols) + ' '
        + HttpStatus::reason(HttpStatus::SwitchingProtocols) + "\r\n";
    for (const QByteArray &line : headers)
        answer += line + "\r\n";
    m_socket->write(answer + "\r\n");
    // The request was only peeked at; what follows it belongs to the new protocol.
    m_socket->skip(m_parser.consumedBytes());
    m_deadline.stop();
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->setReadBufferSize(0);
    m_socket->setParent(nullptr);
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    deleteLater();
    return socket;
}

void HttpConnection::readPending()
{
    if (m_answered || !m_socket->bytesAvailable())
        return;
    const QByteArray available = m_socket->peek(m_socket->bytesAvailable());
    const auto state = m_parser.feed(available.mid(m_peeked));
    m_peeked = available.size();
    if (state == HttpRequestParser::State::Failed)
        respond(m_parser.failureStatus());
    else if (state == HttpRequestParser::State::Complete)
        Q_EMIT requestReceived(m_parser.request());
}
