#pragma once

#include "monitor/bytesource.h"

#include <QSerialPort>
#include <QString>

// A real serial device, opened read-only on the lamp controller's line
// (LineSettings::LampController): the line the panel writes to, tapped or wired to
// the monitor instead of the controller.
class SerialDeviceReader final : public ByteSource
{
    Q_OBJECT

public:
    explicit SerialDeviceReader(const QString &device, QObject *parent = nullptr);

    bool open() override;
    QString deviceName() const override { return m_device; }

private:
    void readPort();
    void handleError(QSerialPort::SerialPortError error);

    QString m_device;
    QSerialPort m_port;
};
