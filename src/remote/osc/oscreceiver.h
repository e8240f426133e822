#pragma once

#include "remote/osc/osccommandhandler.h"
#include "remote/osc/oscsenderfilter.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class QUdpSocket;

class RemotePanel;

// Listens for OSC datagrams on the window's event thread and hands each to the
// command handler. Nothing is ever sent back.
class OscReceiver final : public QObject
{
    Q_OBJECT

public:
    // Datagrams handled per wake-up; the rest wait for the next turn of the event
    // loop, so a flood cannot hold off the refresh timer.
    static constexpr int MaxDatagramsPerWake = 64;
    // Dropped senders are logged no more often than this.
    static constexpr std::chrono::minutes DropReportInterval {1};

    explicit OscReceiver(RemotePanel &panel, QObject *parent = nullptr);
    ~OscReceiver() override;

    // Starts listening when a port is given, on the address the text names; a port
    // that cannot be bound leaves OSC off, and the log says why. False when not
    // listening.
    bool listen(std::optional<quint16> port, const QString &address);
    // From now on only datagrams from these senders are decoded; the others are
    // dropped unread, counted, and the count logged at most once a minute.
    void restrictSenders(const OscSenderFilter &filter);
    bool isListening() const;

    // An IPv6 address or a full dotted IPv4 one; 127.0.0.1 for an empty text or one
    // that is no address, so a slip of the hand never opens the panel to the network.
    static QHostAddress listenAddress(const QString &text);

private:
    void readPending();

    void reportDropped();

    OscCommandHandler m_handler;
    std::optional<OscSenderFilter> m_senders;
    qint64 m_dropped = 0;
    qint64 m_droppedReported = 0;
    QElapsedTimer m_sinceReport;
    // Made only when a port is named: a panel without remote control holds no socket.
    std::unique_ptr<QUdpSocket> m_socket;
};
