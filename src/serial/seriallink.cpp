#include "serial/seriallink.h"

#include "serial/devicepath.h"
#include "serial/linesettings.h"

#include <QFileInfo>

namespace {

constexpr int FirstPortNumber = 1;

} // namespace

SerialLink::SerialLink(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handlePortError);
}

SerialLink::~SerialLink() = default;

QString SerialLink::deviceForPort(int portNumber)
{
    if (portNumber < FirstPortNumber)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - FirstPortNumber);
#endif
}

bool SerialLink::selectPort(int portNumber)
{
    return selectDevice(deviceForPort(portNumber));
}

bool SerialLink::selectDevice(const QString &device)
{
    if (device.isEmpty() || m_port.isOpen())
        return false;
    m_device = device;
    m_port.setPortName(device);
    return true;
}

QString SerialLink::device() const
{
    return m_device;
}

bool SerialLink::devicePresent() const
{
    if (m_device.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    return QFileInfo::exists(serialDevicePath(m_device));
#else
    return true;
#endif
}

bool SerialLink::open()
{
    if (m_port.isOpen())
        return true;
    if (m_device.isEmpty() || !LineSettings::LampController.applyTo(m_port))
        return false;
    // QSerialPort opens without becoming the controlling terminal, non-blocking and
    // close-on-exec, and takes the device's lock file so a second opener fails.
    return m_port.open(QIODevice::WriteOnly);
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::write(const QByteArray &command)
{
    if (!m_port.isOpen() || command.isEmpty())
        return;
    // QSerialPort would queue without limit while the line is stalled. Dropping the
    // whole command is harmless: the refresh rotation sends every level again.
    if (m_port.bytesToWrite() + command.size() > OutputBufferSize)
        return;
    m_port.write(command);
}

qint64 SerialLink::bytesQueued() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

void SerialLink::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void SerialLink::handlePortError(QSerialPort::SerialPortError error)
{
    // A failed write means the device has gone (adapter unplugged, far end hung up).
    // The hung-up descriptor stays writable, so leaving the port open would wake the
    // write notifier for ever; closing removes it. Reopening is up to the owner.
    const bool deviceGone = error == QSerialPort::ResourceError || error == QSerialPort::WriteError;
    if (deviceGone && m_port.isOpen())
        m_port.close();
}
