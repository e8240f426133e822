#include "freeport.h"

#include "oscdatagram.h"

#include <QTcpServer>
#include <QUdpSocket>

quint16 FreePort::tcp()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

quint16 OscDatagram::freeLoopbackPort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}
