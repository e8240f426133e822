#pragma once

#include "remote/web/httprequestparser.h"

#include <QObject>
#include <QTimer>
#include <chrono>

class QTcpSocket;

// One client connection, from its first byte to the answer to its one request. A
// request not complete within RequestDeadline is closed. Each connection carries one
// request and is closed after the answer, or handed on as a WebSocket.
class HttpConnection final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds RequestDeadline {10};

    // Takes the socket over as a child.
    explicit HttpConnection(QTcpSocket *socket, QObject *parent = nullptr);

    QTcpSocket *socket() const { return m_socket; }
    // Whether the request is complete (and answered, or being answered).
    bool hasRequest() const { return m_answered; }

    // Sends the answer and closes. headers are full lines without the line end.
    void respond(int status, const QList<QByteArray> &headers = {}, const QByteArray &body = {});
    // Sends the 101 answer and gives the socket up, with whatever followed the request
    // still to be read, and deletes this later.
    QTcpSocket *switchProtocols(const QList<QByteArray> &headers);

Q_SIGNALS:
    void requestReceived(const HttpRequest &request);

private:
    void readPending();

    QTcpSocket *m_socket;
    HttpRequestParser m_parser;
    qsizetype m_peeked = 0;
    QTimer m_deadline;
    bool m_answered = false;
};
