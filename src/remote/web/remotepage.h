#pragma once

#include "remote/web/remotemessagehandler.h"
#include "remote/web/websocketframereader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

class QTcpSocket;
class RemotePanel;

// One logged-in page on its WebSocket: hands its messages to the panel and sends it
// what the server gives it. The frames are read here rather than by QWebSocket, which
// answers every ping and takes unmasked frames: a page that pings without reading the
// answers, or stops reading its updates, must not grow the panel's memory.
class RemotePage final : public QObject
{
    Q_OBJECT

public:
    // A page with more than this waiting to be sent is dropped.
    static constexpr qint64 MaxUnsentBytes = 256 * 1024;
    // Pings answered; those beyond are ignored.
    static constexpr int MaxPongsPerSecond = 4;
    // How long a closing page may take to read its Close frame.
    static constexpr std::chrono::seconds CloseTimeout {5};
    // A page pings every second; one not heard from for this long is gone (a phone
    // switched off, a network dropped), and is dropped.
    static constexpr std::chrono::seconds SilenceLimit {10};

    // Takes the socket over as a child, the handshake done; clock is the server's,
    // shared by its pages.
    RemotePage(QTcpSocket *socket, RemotePanel &panel, const QElapsedTimer &clock,
               QObject *parent = nullptr);

    void send(const QByteArray &message);

Q_SIGNALS:
    // The connection is closed, or being closed; the page deletes itself later.
    void closed();

private:
    RemoteMessageHandler::Time now() const;
    void readFrames();
    // Answers a ping, a WebSocket one or the page's own, within MaxPongsPerSecond.
    void answerPing(const QByteArray &frame);
    void write(const QByteArray &frame);
    void close(quint16 code);
    void finish();
    void announceClosed();
    void applyDueMove();
    void scheduleMove();

    QTcpSocket *m_socket;
    WebSocketFrameReader m_reader;
    RemoteMessageHandler m_handler;
    const QElapsedTimer &m_clock;
    QTimer m_moveTimer;
    QTimer m_closeTimer;
    QTimer m_silence;
    std::chrono::nanoseconds m_pongSecondStart {};
    int m_pongsThisSecond = 0;
    bool m_closing = false;
    bool m_finished = false;
    bool m_announced = false;
};
