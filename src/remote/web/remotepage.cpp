#include "remote/web/remotepage.h"

#include <QTcpSocket>

namespace {

// Read at most this much ahead of the page's frames; TCP holds the rest back.
constexpr qint64 ReadBufferBytes = 64 * 1024;
constexpr std::chrono::seconds PongWindow {1};

} // namespace

RemotePage::RemotePage(QTcpSocket *socket, RemotePanel &panel, const QElapsedTimer &clock,
                       QObject *parent)
    : QObject(parent), m_socket(socket), m_handler(panel), m_clock(clock)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadBufferBytes);
    m_moveTimer.setSingleShot(true);
    m_moveTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_moveTimer, &QTimer::timeout, this, &RemotePage::applyDueMove);
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    m_silence.setSingleShot(true);
    m_silence.setInterval(SilenceLimit);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        m_socket->abort();
        finish();
    });
    m_silence.start();
    connect(m_socket, &QTcpSocket::readyRead, this, &RemotePage::readFrames);
    connect(m_socket, &QTcpSocket::disconnected, this, &RemotePage::finish);
    // Frames may have come right behind the handshake.
    QMetaObject::invokeMethod(this, &RemotePage::readFrames, Qt::QueuedConnection);
}

void RemotePage::send(const QByteArray &message)
{
    write(WebSocketFrameReader::frame(WebSocketFrameReader::Opcode::Text, message));
}

RemoteMessageHandler::Time RemotePage::now() const
{
    return RemoteMessageHandler::Time(m_clock.nsecsElapsed());
}

void RemotePage::readFrames()
{
    if (m_finished || m_closing)
        return;
    const auto events = m_reader.feed(m_socket->readAll());
    if (!events.isEmpty())
        m_silence.start();
    for (const WebSocketFrameReader::Event &event : events) {
        switch (event.opcode) {
        case WebSocketFrameReader::Opcode::Text:
            if (const QByteArray answer = m_handler.handleMessage(event.payload, now());
                !answer.isEmpty())
                answerPing(WebSocketFrameReader::frame(WebSocketFrameReader::Opcode::Text, answer));
            break;
        case WebSocketFrameReader::Opcode::Ping:
            answerPing(
                WebSocketFrameReader::frame(WebSocketFrameReader::Opcode::Pong, event.payload));
            break;
        case WebSocketFrameReader::Opcode::Close:
            close(WebSocketFrameReader::NormalClosure);
            return;
        default:
            break;
        }
        if (m_finished)
            return;
    }
    if (m_reader.hasFailed())
        return close(m_reader.failureCode());
    scheduleMove();
}

void RemotePage::answerPing(const QByteArray &frame)
{
    const auto time = now();
    if (time - m_pongSecondStart >= PongWindow) {
        m_pongSecondStart = time;
        m_pongsThisSecond = 0;
    }
    if (m_pongsThisSecond >= MaxPongsPerSecond)
        return;
    ++m_pongsThisSecond;
    write(frame);
}

void RemotePage::write(const QByteArray &frame)
{
    if (m_finished || m_closing)
        return;
    m_socket->write(frame);
    if (m_socket->bytesToWrite() > MaxUnsentBytes) {
        m_socket->abort();
        finish();
    }
}

void RemotePage::close(quint16 code)
{
    write(WebSocketFrameReader::closeFrame(code));
    if (m_finished)
        return;
    m_closing = true;
    m_moveTimer.stop();
    // Gone from the server's pages at once, though the socket may take a while.
    announceClosed();
    m_closeTimer.start(CloseTimeout);
    m_socket->disconnectFromHost();
}

void RemotePage::announceClosed()
{
    if (m_announced)
        return;
    m_announced = true;
    Q_EMIT closed();
}

void RemotePage::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_moveTimer.stop();
    m_closeTimer.stop();
    m_silence.stop();
    announceClosed();
    deleteLater();
}

void RemotePage::applyDueMove()
{
    m_handler.applyDueMove(now());
    scheduleMove();
}

void RemotePage::scheduleMove()
{
    const auto due = m_handler.nextMoveDue();
    if (!due || m_moveTimer.isActive())
        return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now());
    m_moveTimer.start(std::max(wait, std::chrono::milliseconds::zero()));
}
