#include "osc/oscreceiver.h"

#include "osc/oscsettings.h"

#include <QNetworkDatagram>

OscReceiver::OscReceiver(LampMover &mover, QObject *parent)
    : QObject(parent), m_handler(mover), m_socket(this)
{
    m_socket.setObjectName(QStringLiteral("OscSocket"));
    connect(&m_socket, &QUdpSocket::readyRead, this, &OscReceiver::readPending);
}

bool OscReceiver::listen(const OscSettings &settings)
{
    if (!settings.port || isListening())
        return isListening();
    // No address sharing: a port another program holds is "in use", not shared.
    return m_socket.bind(settings.address, *settings.port, QAbstractSocket::DontShareAddress);
}

bool OscReceiver::isListening() const
{
    return m_socket.state() == QAbstractSocket::BoundState;
}

void OscReceiver::readPending()
{
    // Reading one datagram re-arms the notifier, so any left over come back later.
    for (int n = 0; n < MaxDatagramsPerWake && m_socket.hasPendingDatagrams(); ++n)
        m_handler.handleDatagram(m_socket.receiveDatagram().data());
}
