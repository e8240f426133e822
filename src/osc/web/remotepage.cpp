#include "osc/web/remotepage.h"

#include <QTcpSocket>
#include <QWebSocket>

RemotePage::RemotePage(QWebSocket *socket, QTcpSocket *carrier, RemotePanel &panel,
                       const QElapsedTimer &clock, QObject *parent)
    : QObject(parent), m_socket(socket), m_handler(panel), m_clock(clock)
{
    m_socket->setParent(this);
    // Made a child after the WebSocket, so that it is deleted after it.
    if (carrier)
        carrier->setParent(this);
    m_socket->setMaxAllowedIncomingFrameSize(MaxMessageBytes);
    m_socket->setMaxAllowedIncomingMessageSize(MaxMessageBytes);
    m_moveTimer.setSingleShot(true);
    m_moveTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_moveTimer, &QTimer::timeout, this, &RemotePage::applyDueMove);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &RemotePage::receive);
    connect(m_socket, &QWebSocket::disconnected, this, [this] {
        m_moveTimer.stop();
        Q_EMIT closed();
        deleteLater();
    });
}

void RemotePage::send(const QByteArray &message)
{
    m_socket->sendTextMessage(QString::fromUtf8(message));
}

RemoteMessageHandler::Time RemotePage::now() const
{
    return RemoteMessageHandler::Time(m_clock.nsecsElapsed());
}

void RemotePage::receive(const QString &message)
{
    m_handler.handleMessage(message.toUtf8(), now());
    scheduleMove();
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
