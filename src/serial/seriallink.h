#pragma once

#include "lamps/commandport.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

// The one-way serial link to the lamp controller: select a port, open it for
// writing on the controller's line, write, close. Nothing is ever read.
//
// Writes are queued and return at once; the queue is bounded so that a stalled line
// never grows memory. If the device goes away while open (adapter unplugged), the link
// closes itself; it opens again only when asked to.
//
// It logs (kelvaris.serial) the port opened or reopened, not opened and why (no such
// device, no permission, busy), and closed on an error. A failure to open is logged once
// until the reason changes, so repeated attempts do not fill the log.
class SerialLink final : public QObject, public CommandPort
{
    Q_OBJECT

public:
    // Bytes queued for sending at most; a command that does not fit is dropped whole.
    static constexpr qint64 OutputBufferSize = 512;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // The device of port number n: "COMn" on Windows, /dev/ttyS(n-1) elsewhere; empty
    // for a number below 1.
    static QString deviceForPort(int portNumber);

    // Both fail, leaving the selection as it was, for a port below 1, an empty device
    // name, or while the link is open.
    bool selectPort(int portNumber);
    // Names the device directly, instead of a port number.
    bool selectDevice(const QString &device);
    QString device() const;
    // Whether the selected device's node exists, found by its path alone (a symlink such
    // as /dev/serial/by-id/... is followed) without opening or locking it. Always true
    // where ports are not files.
    bool devicePresent() const;

    // Opens the selected device for writing, on the lamp controller's line
    // (LineSettings::LampController). On failure the link stays closed.
    bool open();
    bool isOpen() const override;
    void write(const QByteArray &command) override;
    // Bytes written but not yet handed to the device.
    qint64 bytesQueued() const;
    void close();

Q_SIGNALS:
    // The port has just been opened, or closed for any reason.
    void openChanged(bool open);

private:
    void handlePortError(QSerialPort::SerialPortError error);
    void reportOpenFailure();

    QString m_device;
    QSerialPort m_port;
    bool m_openedBefore = false;
    // The reason last logged for a failed open; empty once the port has opened.
    QString m_lastFailure;
};
