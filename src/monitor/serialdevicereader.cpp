#include "serialdevicereader.h"

#include "serial/devicepath.h"
#include "serial/linesettings.h"

#include <QFile>

#include <unistd.h>

SerialDeviceReader::SerialDeviceReader(const QString &device, QObject *parent)
    : ByteSource(parent), m_device(device)
{ }

bool SerialDeviceReader::open()
{
    m_port.setPortName(m_device);
    // A closed port takes any line; the port's own checks come with opening.
    LineSettings::LampController.applyTo(m_port);
    if (!m_port.open(QIODevice::ReadOnly)) {
        const QString prefix = QStringLiteral("%1: cannot open %2: ").arg(MonitorProgram, m_device);
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            setFailure(
                MonitorExitCode::DeviceNotFound,
                prefix
                    + QStringLiteral("no such device. Check the name and that the adapter "
                                     "is plugged in (ls /dev/ttyUSB* /dev/ttyACM* /dev/ttyS*)."));
            break;
        case QSerialPort::PermissionError:
            // QSerialPort reports a device locked by another program the same way.
            if (::access(QFile::encodeName(serialDevicePath(m_device)).constData(), R_OK) == 0) {
                setFailure(MonitorExitCode::DeviceBusy,
                           prefix
                               + QStringLiteral("in use by another program (%1). A device "
                                                "the panel has open cannot be watched: give "
                                                "the monitor an adapter of its own on the "
                                                "line's transmit wire, or use --virtual.")
                                     .arg(m_port.errorString()));
            } else {
                setFailure(
                    MonitorExitCode::PermissionDenied,
                    prefix
                        + QStringLiteral("permission denied. Add your user to the dialout group "
                                         "(sudo usermod -aG dialout $USER) and log in again."));
            }
            break;
        default:
            setFailure(MonitorExitCode::IoError, prefix + m_port.errorString());
            break;
        }
        return false;
    }
    connect(&m_port, &QSerialPort::readyRead, this, &SerialDeviceReader::readPort);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialDeviceReader::handleError);
    return true;
}

void SerialDeviceReader::readPort()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        Q_EMIT bytesReceived(bytes);
}

void SerialDeviceReader::handleError(QSerialPort::SerialPortError error)
{
    // Unplugging an adapter shows as a resource error; a failing read as a read error.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    setFailure(MonitorExitCode::IoError,
               QStringLiteral("%1: lost %2: %3. Check the cable and the adapter.")
                   .arg(MonitorProgram, m_device, m_port.errorString()));
    m_port.close();
    Q_EMIT failed();
}
