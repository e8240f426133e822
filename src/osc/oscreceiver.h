#pragma once

#include "osc/osccommandhandler.h"

#include <QObject>
#include <memory>

class QUdpSocket;

class LampMover;
struct OscSettings;

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

    // Starts listening when the settings name a port; a port that cannot be bound
    // leaves remote control off, silently. False when not listening.
    bool listen(const OscSettings &settings);
    bool isListening() const;

private:
    void readPending();

    OscCommandHandler m_handler;
    // Made only when a port is named: a panel without remote control holds no socket.
    std::unique_ptr<QUdpSocket> m_socket;
};
