#include "remote/osc/oscreceiver.h"

#include "platform/logging.h"
#include "remote/listenaddress.h"
#include "remoteapi/remotepanel.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

OscReceiver::OscReceiver(RemotePanel &panel, QObject *parent)
    : QObject(parent), m_handler(panel, panel)
{ }

OscReceiver::~OscReceiver() = default;

QHostAddress OscReceiver::listenAddress(const QString &text)
{
    return ListenAddress::parse(text, QHostAddress(QHostAddress::LocalHost));
}

bool OscReceiver::listen(std::optional<quint16> port, const QString &address)
{
    if (!port || isListening())
        return isListening();
    if (!m_socket) {
        m_socket = std::make_unique<QUdpSocket>();
        m_socket->setObjectName(QStringLiteral("OscSocket"));
        connect(m_socket.get(), &QUdpSocket::readyRead, this, &OscReceiver::readPending);
    }
    // No address sharing: a port another program holds is "in use", not shared.
    const QHostAddress bound = listenAddress(address);
    if (!m_socket->bind(bound, *port, QAbstractSocket::DontShareAddress)) {
        qCWarning(lcRemote).noquote()
            << QStringLiteral("OSC is off: cannot listen on %1 port %2: %3")
                   .arg(bound.toString())
                   .arg(*port)
                   .arg(m_socket->errorString());
        return false;
    }
    qCInfo(lcRemote).noquote()
        << QStringLiteral("OSC listening on %1 port %2").arg(bound.toString()).arg(*port);
    return true;
}

bool OscReceiver::isListening() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState;
}

void OscReceiver::restrictSenders(const OscSenderFilter &filter)
{
    m_senders = filter;
}

void OscReceiver::readPending()
{
    // Reading one datagram re-arms the notifier, so any left over come back later.
    for (int n = 0; n < MaxDatagramsPerWake && m_socket->hasPendingDatagrams(); ++n) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (m_senders && !m_senders->allows(datagram.senderAddress())) {
            ++m_dropped;
            continue;
        }
        m_handler.handleDatagram(datagram.data());
    }
    reportDropped();
}

void OscReceiver::reportDropped()
{
    if (m_dropped == m_droppedReported)
        return;
    if (m_sinceReport.isValid()
        && m_sinceReport.elapsed() < std::chrono::milliseconds(DropReportInterval).count())
        return;
    qCWarning(lcRemote).noquote()
        << QStringLiteral("OSC dropped %1 datagrams from senders not in OscAllow (%2 in all)")
               .arg(m_dropped - m_droppedReported)
               .arg(m_dropped);
    m_droppedReported = m_dropped;
    m_sinceReport.start();
}
