#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// Line settings as the text "baud,parity,data bits,stop bits", e.g. "9600,N,8,1".
// Parity is one of N, E, O, M, S (none, even, odd, mark, space); data bits 5 to 8;
// stop bits 1, 1.5 or 2.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // The lamp controller's line, the only one the panel and the monitor use: 9600 baud,
    // no parity, 8 data bits, 1 stop bit.
    static constexpr char LampControllerText[] = "9600,N,8,1";
    static LineSettings lampController();

    // The settings the text names, or nothing when any field is missing, extra or not
    // one of the values above. Fields are taken exactly: no blanks, no signs.
    static std::optional<LineSettings> parse(const QString &text);
};
