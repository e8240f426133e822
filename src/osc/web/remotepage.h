#pragma once

#include "osc/web/remotemessagehandler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class QWebSocket;
class RemotePanel;

// One logged-in page on its WebSocket: hands its messages to the panel and sends it
// what the server gives it.
class RemotePage final : public QObject
{
    Q_OBJECT

public:
    // The largest message or frame a page may send.
    static constexpr quint64 MaxMessageBytes = 4 * 1024;

    // Takes the WebSocket and the TCP socket it runs on (which QWebSocket does not own)
    // over as children; clock is the server's, shared by its pages.
    RemotePage(QWebSocket *socket, QTcpSocket *carrier, RemotePanel &panel,
               const QElapsedTimer &clock, QObject *parent = nullptr);

    void send(const QByteArray &message);

Q_SIGNALS:
    // The socket is closed; the page deletes itself later.
    void closed();

private:
    RemoteMessageHandler::Time now() const;
    void receive(const QString &message);
    void applyDueMove();
    void scheduleMove();

    QWebSocket *m_socket;
    RemoteMessageHandler m_handler;
    const QElapsedTimer &m_clock;
    QTimer m_moveTimer;
};
