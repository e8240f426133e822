#include "freeport.h"

#include <QTcpServer>

quint16 FreePort::tcp()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}
