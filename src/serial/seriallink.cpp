#include "serial/seriallink.h"

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{
}

SerialLink::~SerialLink() = default;

QString SerialLink::deviceForPort(int portNumber)
{
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1); // placeholder
}

bool SerialLink::selectPort(int portNumber)
{
    m_port.setPortName(deviceForPort(portNumber));
    return true;
}

void SerialLink::selectDevice(const QString &device)
{
    m_port.setPortName(device);
}

QString SerialLink::device() const
{
    return m_port.portName();
}

bool SerialLink::setLineSettings(const QString &settings)
{
    Q_UNUSED(settings)
    return true;
}

bool SerialLink::open()
{
    return m_port.open(QIODevice::WriteOnly);
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::write(const QByteArray &command)
{
    m_port.write(command);
}

void SerialLink::close()
{
    m_port.close();
}
