#pragma once

#include <QObject>
#include <QTimer>
#include <QWebSocket>
#include <functional>

// One phone page as the bench sees it: a WebSocket to the panel with the session
// cookie and the page's Origin, which stamps the level of one lamp whenever a message
// from the panel shows it, and can send moves as a dragged fader does. Like the page,
// it sends the heartbeat every second, or the panel would drop it as gone.
class RemotePageClient final : public QObject
{
public:
    // The lamp's level as a message showed it, with the monotonic time of its arrival.
    using LevelShown = std::function<void(int level, qint64 atNs)>;

    RemotePageClient(quint16 port, int watchedLamp, LevelShown levelShown,
                     QObject *parent = nullptr);

    // cookie: as a Cookie header carries it.
    void open(const QByteArray &cookie);
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    // Whether the panel's whole state has arrived.
    bool hasState() const { return m_hasState; }
    // The watched lamp's level as last shown, -1 before any.
    int level() const { return m_level; }
    int messagesReceived() const { return m_messages; }
    QString errorString() const { return m_socket.errorString(); }

    // Sends a move and pushes it onto the connection at once.
    void sendMove(int lamp, int level);

private:
    void receive(const QString &message);
    void show(int level, qint64 atNs);

    QString m_host;
    int m_watchedLamp = 0;
    LevelShown m_levelShown;
    QWebSocket m_socket;
    QTimer m_heartbeat;
    bool m_hasState = false;
    int m_level = -1;
    int m_messages = 0;
};
