#pragma once

#include "lamps/commandport.h"
#include "serial/linesettings.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

// The one-way serial link to the lamp controller: select a port, set the line,
// open for writing, write, close. Nothing is ever read.
class SerialLink final : public QObject, public CommandPort
{
    Q_OBJECT

public:
    // Bytes queued for sending at most; a command that does not fit is dropped whole.
    static constexpr qint64 OutputBufferSize = 512;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // The device of port number n: "COMn" on Windows, /dev/ttyS(n-1) elsewhere.
    static QString deviceForPort(int portNumber);

    bool selectPort(int portNumber);
    // Names the device directly, instead of a port number.
    void selectDevice(const QString &device);
    QString device() const;
    bool setLineSettings(const QString &settings);
    bool open();
    bool isOpen() const override;
    void write(const QByteArray &command) override;
    void close();

private:
    QSerialPort m_port;
};
