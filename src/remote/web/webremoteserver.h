#pragma once

#include "remote/web/localhostnames.h"
#include "remote/web/loginguard.h"
#include "remote/web/panelsnapshot.h"
#include "remote/web/webremoteconfig.h"
#include "remoteapi/remotepanel.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class HttpConnection;
class RemotePage;
struct HttpRequest;

// The phone remote: serves the page, its assets and the login, and turns logged-in
// pages into WebSockets that drive the panel and show its state.
//
// HTTP is read here on QTcpServer rather than with Qt HttpServer: the 6.4 version
// offers no way to cap the header or body size, to close a request that is not
// complete in time or to cap the open connections, and it reads the WebSocket
// handshake itself, before the Host, the cookie and the Origin could be checked.
// The WebSocket frames are read by RemotePage, for the limits QWebSocket lacks.
//
// Every request must name this machine in its Host (LocalHostNames) before anything
// else is looked at. Connections still on their request are capped per sender, and
// when every slot is taken the oldest of them makes room, so slow requests cannot
// hold the door shut.
class WebRemoteServer final : public QObject, private RemotePanelListener
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 64;
    // Connections still on their request from one sender (an address, or an IPv6 /64).
    static constexpr int MaxRequestsPerSender = 8;
    static constexpr int MaxPages = 16;
    // Changes reach the pages when they happen, but at most once in this time: a page
    // gets at most 20 messages a second, and no timer runs while nothing changes.
    static constexpr std::chrono::milliseconds MinSendInterval {50};
    // A refused login beyond the guesses all senders share is logged at most this often,
    // and so are the refusals of one address.
    static constexpr std::chrono::minutes BusyLogInterval {1};
    static constexpr std::chrono::minutes RefusalLogInterval {1};
    static constexpr int MaxRefusalLogAddresses = 256;
    static constexpr const char *CookieName = "kelvaris_session";

    explicit WebRemoteServer(RemotePanel &panel,
                             LoginGuard::Clock clock = std::chrono::steady_clock::now,
                             QObject *parent = nullptr);
    ~WebRemoteServer() override;

    // Starts listening as the config says; false (and a log line why) when the port
    // is off or cannot be opened.
    bool listen(const WebRemoteConfig &config);
    bool isListening() const { return m_tcp.isListening(); }
    QHostAddress serverAddress() const { return m_tcp.serverAddress(); }
    quint16 serverPort() const { return m_tcp.serverPort(); }
    int pageCount() const { return int(m_pages.size()); }
    // Client connections open at the moment, pages included.
    int openConnections() const;

private:
    struct Asset
    {
        QByteArray type;
        QByteArray bytes;
    };
    struct Request
    {
        HttpConnection *connection = nullptr;
        QString sender;
    };

    void acceptConnections();
    void answer(HttpConnection *connection, const HttpRequest &request);
    void serveIndex(HttpConnection *connection, const HttpRequest &request);
    void logIn(HttpConnection *connection, const HttpRequest &request);
    void upgrade(HttpConnection *connection, const HttpRequest &request);
    void serveLogin(HttpConnection *connection, int status, const QString &message);
    void serveAsset(HttpConnection *connection, int status, const QString &name,
                    const QList<QByteArray> &extraHeaders = {});
    void addPage(QTcpSocket *socket);
    void panelChanged() override;
    void sendChanges();
    bool hasValidCookie(const HttpRequest &request) const;
    void logRefusal(const QString &address, const QString &why);

    RemotePanel &m_panel;
    LoginGuard::Clock m_loginClock;
    std::unique_ptr<LoginGuard> m_guard;
    std::unique_ptr<LocalHostNames> m_hostNames;
    std::optional<std::chrono::steady_clock::time_point> m_lastBusyLog;
    QHash<QString, std::chrono::steady_clock::time_point> m_lastRefusalLog;
    QTcpServer m_tcp;
    QHash<QString, Asset> m_assets;
    QList<RemotePage *> m_pages;
    // Connections still on their request (or on its answer), oldest first.
    QList<Request> m_requests;
    QElapsedTimer m_clock;
    // When changes were last sent, on m_clock; a send waits for the interval's end.
    std::optional<qint64> m_lastSendMs;
    QTimer m_sendTimer;
    bool m_sendQueued = false;
    PanelSnapshot m_shown;
};
