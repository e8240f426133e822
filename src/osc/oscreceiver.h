#pragma once

#include "osc/osccommandhandler.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QUdpSocket;

class LampMover;

// Listens for OSC datagrams on the window's event thread and hands each to the
// command handler. Nothing is ever sent back.
class OscReceiver final : public QObject
{
    Q_OBJECT

public:
    // Datagrams handled per wake-up; the rest wait for the next turn of the event
    // loop, so a flood cannot hold off the refresh timer.
    static constexpr int MaxDatagramsPerWake = 64;

    explicit OscReceiver(LampMover &mover, QObject *parent = nullptr);
    ~OscReceiver() override;

    // Starts listening when a port is given, on the address the text names; a port
    // that cannot be bound leaves OSC off, and the log says why. False when not
    // listening.
    bool listen(std::optional<quint16> port, const QString &address);
    bool isListening() const;

    // An IPv4 or IPv6 address; 127.0.0.1 for an empty text or one that is no
    // address, so a slip of the hand never opens the panel to the network.
    static QHostAddress listenAddress(const QString &text);

private:
    void readPending();

    OscCommandHandler m_handler;
    // Made only when a port is named: a panel without remote control holds no socket.
    std::unique_ptr<QUdpSocket> m_socket;
};
