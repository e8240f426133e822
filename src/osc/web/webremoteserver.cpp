#include "osc/web/webremoteserver.h"

#include "osc/web/httpconnection.h"
#include "osc/web/remotepage.h"
#include "platform/logging.h"

#include "osc/web/httpstatus.h"

#include <QFile>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>

namespace {

const QString IndexPage = QStringLiteral("index.html");
const QString LoginPage = QStringLiteral("login.html");
// Where the login page takes a line about the last attempt.
const QByteArray MessageMark = QByteArrayLiteral("<!--message-->");

const QByteArray SecurityPolicy = QByteArrayLiteral(
    "Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
    "connect-src 'self'; img-src 'self'; form-action 'self'; frame-ancestors 'none'; "
    "base-uri 'none'");

// The client's address as one text for v4 clients on a dual-stack socket and on a
// v4 one alike.
QString clientAddress(const QTcpSocket *socket)
{
    const QHostAddress peer = socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

QByteArray cookieValue(const QByteArray &cookies, const QByteArray &name)
{
    for (const QByteArray &pair : cookies.split(';')) {
        const QByteArray trimmed = pair.trimmed();
        if (trimmed.startsWith(name + '='))
            return trimmed.mid(name.size() + 1);
    }
    return {};
}

// Whether the request comes from a page this server served: its Origin names the
// same host and port as its Host.
bool isSameOrigin(const HttpRequest &request)
{
    const QByteArray origin = request.header("origin");
    const QByteArray scheme = QByteArrayLiteral("http://");
    return origin.startsWith(scheme)
        && origin.mid(scheme.size()).compare(request.header("host"), Qt::CaseInsensitive) == 0;
}

QByteArray formValue(const QByteArray &body, const QString &name)
{
    QByteArray spaced = body;
    spaced.replace('+', "%20");
    const QUrlQuery query(QString::fromLatin1(spaced));
    return query.queryItemValue(name, QUrl::FullyDecoded).toUtf8();
}

} // namespace

WebRemoteServer::WebRemoteServer(RemotePanel &panel, LoginGuard::Clock clock, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
    , m_loginClock(std::move(clock))
    , m_webSockets(QStringLiteral("Kelvaris"), QWebSocketServer::NonSecureMode)
{
    Q_INIT_RESOURCE(webremote);
    const QList<QPair<QString, QByteArray>> assets = {
        {IndexPage, "text/html; charset=utf-8"},
        {LoginPage, "text/html; charset=utf-8"},
        {QStringLiteral("remote.css"), "text/css; charset=utf-8"},
        {QStringLiteral("remote.js"), "text/javascript; charset=utf-8"},
    };
    for (const auto &[name, type] : assets) {
        QFile file(QStringLiteral(":/kelvaris/web/") + name);
        file.open(QIODevice::ReadOnly);
        m_assets.insert(name, {type, file.readAll()});
    }
    m_webSockets.setHandshakeTimeout(HandshakeTimeout);
    m_clock.start();
    m_poll.setInterval(PollInterval);
    connect(&m_poll, &QTimer::timeout, this, &WebRemoteServer::poll);
    connect(&m_tcp, &QTcpServer::newConnection, this, &WebRemoteServer::acceptConnections);
    connect(&m_webSockets, &QWebSocketServer::newConnection, this, &WebRemoteServer::acceptPages);
}

WebRemoteServer::~WebRemoteServer() = default;

bool WebRemoteServer::listen(const WebRemoteConfig &config)
{
    if (config.port == 0) {
        qCInfo(lcRemote) << "Remote page off: no WebPort";
        return false;
    }
    const QString reason = config.loopbackReason();
    if (!reason.isEmpty())
        qCInfo(lcRemote).noquote() << "Remote page on loopback only:" << reason;
    m_guard = std::make_unique<LoginGuard>(config.password, m_loginClock);
    const QHostAddress address = config.listenAddress();
    if (!m_tcp.listen(address, config.port)) {
        qCInfo(lcRemote).noquote() << "Remote page off: cannot listen on" << address.toString()
                                   << "port" << config.port << "-" << m_tcp.errorString();
        return false;
    }
    qCInfo(lcRemote).noquote() << "Remote page listening on" << address.toString() << "port"
                               << m_tcp.serverPort()
                               << (m_guard->needsLogin() ? "with a password" : "without login");
    return true;
}

int WebRemoteServer::openConnections() const
{
    const auto handshakes = std::count_if(m_handshakes.cbegin(), m_handshakes.cend(),
                                          [](const auto &s) { return s; });
    return m_requests + int(handshakes) + int(m_pages.size());
}

void WebRemoteServer::acceptConnections()
{
    while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
        if (openConnections() >= MaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *connection = new HttpConnection(socket, this);
        ++m_requests;
        connect(connection, &QObject::destroyed, this, [this] { --m_requests; });
        connect(connection, &HttpConnection::requestReceived, this,
                [this, connection](const HttpRequest &request) { answer(connection, request); });
    }
}

void WebRemoteServer::answer(HttpConnection *connection, const HttpRequest &request)
{
    const QByteArray path = request.path();
    if (request.method == "GET" && path == "/")
        serveIndex(connection, request);
    else if (request.method == "GET" && path == "/remote.css")
        serveAsset(connection, HttpStatus::Ok, QStringLiteral("remote.css"));
    else if (request.method == "GET" && path == "/remote.js")
        serveAsset(connection, HttpStatus::Ok, QStringLiteral("remote.js"));
    else if (request.method == "POST" && path == "/login")
        logIn(connection, request);
    else if (request.method == "GET" && path == "/socket")
        upgrade(connection, request);
    else
        connection->respond(HttpStatus::NotFound);
}

void WebRemoteServer::serveIndex(HttpConnection *connection, const HttpRequest &request)
{
    if (hasValidCookie(request))
        serveAsset(connection, HttpStatus::Ok, IndexPage);
    else
        serveLogin(connection, HttpStatus::Ok, {});
}

void WebRemoteServer::logIn(HttpConnection *connection, const HttpRequest &request)
{
    const QString address = clientAddress(connection->socket());
    QByteArray token;
    const auto verdict
        = m_guard->logIn(address, formValue(request.body, QStringLiteral("password")), &token);
    switch (verdict) {
    case LoginGuard::Verdict::Accepted:
        connection->respond(HttpStatus::SeeOther,
                            {"Location: /",
                             "Set-Cookie: " + QByteArray(CookieName) + '=' + token
                                 + "; HttpOnly; SameSite=Strict; Path=/"});
        return;
    case LoginGuard::Verdict::Refused:
        qCInfo(lcRemote).noquote()
            << "Refused a remote login from" << address
            << (m_guard->isLockedOut(address) ? "- locked out for a minute" : "");
        serveLogin(connection, HttpStatus::Unauthorized, QStringLiteral("Wrong password."));
        return;
    case LoginGuard::Verdict::LockedOut:
        qCInfo(lcRemote).noquote() << "Refused a remote login from" << address << "- locked out";
        serveLogin(connection, HttpStatus::TooManyRequests,
                   QStringLiteral("Too many wrong passwords. Wait a minute."));
        return;
    }
}

void WebRemoteServer::upgrade(HttpConnection *connection, const HttpRequest &request)
{
    if (!request.header("upgrade").toLower().contains("websocket"))
        return connection->respond(HttpStatus::BadRequest);
    if (!hasValidCookie(request) || !isSameOrigin(request))
        return connection->respond(HttpStatus::Forbidden);
    // Checked again when the handshake is done, for upgrades that overlap.
    if (m_pages.size() >= MaxPages)
        return connection->respond(HttpStatus::Unavailable);
    QTcpSocket *socket = connection->takeSocket();
    // QWebSocket uses the socket but does not own it, and the handshake drops every
    // connection to its signals: it is kept here until its page takes it, and deleted
    // when the handshake has had its time without becoming a page.
    m_handshakes.append(socket);
    QTimer::singleShot(HandshakeLimit, this, [this, socket = QPointer<QTcpSocket>(socket)] {
        if (socket && m_handshakes.removeAll(socket)) {
            socket->abort();
            socket->deleteLater();
        }
        m_handshakes.removeAll(nullptr);
    });
    m_webSockets.handleConnection(socket);
}

void WebRemoteServer::acceptPages()
{
    while (QWebSocket *socket = m_webSockets.nextPendingConnection()) {
        if (m_pages.size() >= MaxPages) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QTcpSocket *carrier = nullptr;
        for (const QPointer<QTcpSocket> &candidate : std::as_const(m_handshakes)) {
            if (candidate && candidate->peerPort() == socket->peerPort()
                && candidate->peerAddress() == socket->peerAddress())
                carrier = candidate;
        }
        m_handshakes.removeAll(carrier);
        auto *page = new RemotePage(socket, carrier, m_panel, m_clock, this);
        m_pages.append(page);
        connect(page, &RemotePage::closed, this, [this, page] {
            m_pages.removeOne(page);
            if (m_pages.isEmpty())
                m_poll.stop();
        });
        const PanelSnapshot now = PanelSnapshot::take(m_panel);
        page->send(now.stateMessage());
        if (!m_poll.isActive()) {
            m_shown = now;
            m_poll.start();
        }
    }
}

void WebRemoteServer::poll()
{
    const PanelSnapshot now = PanelSnapshot::take(m_panel);
    const QByteArray changes = now.changesSince(m_shown);
    m_shown = now;
    if (changes.isEmpty())
        return;
    for (RemotePage *page : std::as_const(m_pages))
        page->send(changes);
}

bool WebRemoteServer::hasValidCookie(const HttpRequest &request) const
{
    if (!m_guard->needsLogin())
        return true;
    const QByteArray token = cookieValue(request.header("cookie"), CookieName);
    return !token.isEmpty() && m_guard->isValidToken(token);
}

void WebRemoteServer::serveLogin(HttpConnection *connection, int status, const QString &message)
{
    Asset page = m_assets.value(LoginPage);
    const QByteArray line = message.isEmpty()
        ? QByteArray()
        : "<p class=\"error\" role=\"alert\">" + message.toUtf8() + "</p>";
    page.bytes.replace(MessageMark, line);
    connection->respond(status,
                        {"Content-Type: " + page.type, SecurityPolicy, "X-Kelvaris-Page: login"},
                        page.bytes);
}

void WebRemoteServer::serveAsset(HttpConnection *connection, int status, const QString &name,
                                 const QList<QByteArray> &extraHeaders)
{
    const Asset asset = m_assets.value(name);
    QList<QByteArray> headers {"Content-Type: " + asset.type, SecurityPolicy};
    headers += extraHeaders;
    connection->respond(status, headers, asset.bytes);
}
