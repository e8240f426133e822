#pragma once

#include <QSerialPort>
#include <QtGlobal>

// A serial line's settings. The lamp controller's is the only line the panel and the
// monitor ever use.
struct LineSettings
{
    qint32 baudRate = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;

    // 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
    static const LineSettings LampController;

    // Sets the port's line, open or not (a closed port takes it on opening); false
    // when the port refuses any part of it.
    bool applyTo(QSerialPort &port) const;
};

inline constexpr LineSettings LineSettings::LampController {
    9600, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop,
    QSerialPort::NoFlowControl};
