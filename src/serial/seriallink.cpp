#include "serial/seriallink.h"

#include "platform/logging.h"
#include "serial/devicepath.h"
#include "serial/linesettings.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int FirstPortNumber = 1;

// Why an open failed, in words for the person reading the log.
QString openFailureReason(QSerialPort::SerialPortError error, const QString &device,
                          const QString &errorText)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("no such device");
    if (error != QSerialPort::PermissionError)
        return errorText;
#ifdef Q_OS_UNIX
    // Qt reports a device it may not open and one another program holds (its lock file,
    // or exclusive use) alike; being allowed to write the device tells them apart.
    if (::access(QFile::encodeName(serialDevicePath(device)).constData(), W_OK) == 0)
        return QStringLiteral("busy, another program is using it");
    return QStringLiteral("permission denied (add your user to the dialout group, then log in "
                          "again)");
#else
    Q_UNUSED(device)
    return errorText;
#endif
}

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
    if (!m_port.open(QIODevice::WriteOnly)) {
        reportOpenFailure();
        return false;
    }
    qCInfo(lcSerial, "serial port %s %s", qUtf8Printable(m_device),
           m_openedBefore ? "reopened" : "opened");
    m_openedBefore = true;
    m_lastFailure.clear();
    Q_EMIT openChanged(true);
    return true;
}

void SerialLink::reportOpenFailure()
{
    const QString reason = devicePresent()
        ? openFailureReason(m_port.error(), m_device, m_port.errorString())
        : QStringLiteral("no such device");
    if (reason == m_lastFailure)
        return;
    m_lastFailure = reason;
    qCWarning(lcSerial, "serial port %s not opened: %s", qUtf8Printable(m_device),
              qUtf8Printable(reason));
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
    if (!m_port.isOpen())
        return;
    m_port.close();
    Q_EMIT openChanged(false);
}

void SerialLink::handlePortError(QSerialPort::SerialPortError error)
{
    // A failed write means the device has gone (adapter unplugged, far end hung up).
    // The hung-up descriptor stays writable, so leaving the port open would wake the
    // write notifier for ever; closing removes it. Reopening is up to the owner.
    const bool deviceGone = error == QSerialPort::ResourceError || error == QSerialPort::WriteError;
    if (!deviceGone || !m_port.isOpen())
        return;
    qCWarning(lcSerial, "serial port %s closed on an error: %s", qUtf8Printable(m_device),
              qUtf8Printable(m_port.errorString()));
    close();
}
