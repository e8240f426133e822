#include "remote/web/webremoteserver.h"

#include "platform/logging.h"
#include "remote/web/clientaddress.h"
#include "remote/web/httpconnection.h"
#include "remote/web/httpstatus.h"
#include "remote/web/remotepage.h"
#include "remote/web/websocketframereader.h"

#include <QFile>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <QUrlQuery>
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

// The one WebSocket version there is, and the size of its handshake key.
const QByteArray WebSocketVersion = QByteArrayLiteral("13");
constexpr qsizetype WebSocketKeyBytes = 16;

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
// same host and port as its Host, which names this machine.
bool isSameOrigin(const HttpRequest &request)
{
    const QByteArray origin = request.header("origin");
    const QByteArray scheme = QByteArrayLiteral("http://");
    return origin.startsWith(scheme)
        && origin.mid(scheme.size()).compare(request.header("host"), Qt::CaseInsensitive) == 0;
}

// The addresses a phone could type to reach a server listening on address.
QList<QHostAddress> reachableAddresses(const QHostAddress &address)
{
    const bool any = address == QHostAddress(QHostAddress::Any)
        || address == QHostAddress(QHostAddress::AnyIPv4)
        || address == QHostAddress(QHostAddress::AnyIPv6);
    if (!any)
        return {address};
    QList<QHostAddress> reachable;
    for (const QHostAddress &own : QNetworkInterface::allAddresses()) {
        if (!own.isLoopback() && !own.isLinkLocal())
            reachable << own;
    }
    return reachable.isEmpty() ? QList<QHostAddress> {QHostAddress(QHostAddress::LocalHost)}
                               : reachable;
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
    : QObject(parent), m_panel(panel), m_loginClock(std::move(clock))
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
    m_clock.start();
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &WebRemoteServer::sendChanges);
    m_panel.addListener(*this);
    connect(&m_tcp, &QTcpServer::newConnection, this, &WebRemoteServer::acceptConnections);
}

WebRemoteServer::~WebRemoteServer()
{
    m_panel.removeListener(*this);
}

bool WebRemoteServer::listen(const WebRemoteConfig &config)
{
    if (config.port == 0) {
        qCInfo(lcRemote) << "Remote page off: no WebPort";
        return false;
    }
    const QString reason = config.loopbackReason();
    if (!reason.isEmpty())
        qCInfo(lcRemote).noquote() << "Remote page on loopback only:" << reason;
    m_guard = std::make_unique<LoginGuard>(config.password, config.secret, m_loginClock);
    m_hostNames = std::make_unique<LocalHostNames>(config.hostNames);
    const QHostAddress address = config.listenAddress();
    if (!m_tcp.listen(address, config.port)) {
        qCInfo(lcRemote).noquote() << "Remote page off: cannot listen on" << address.toString()
                                   << "port" << config.port << "-" << m_tcp.errorString();
        return false;
    }
    QStringList urls;
    for (const QHostAddress &each : reachableAddresses(address)) {
        const QString host = each.protocol() == QAbstractSocket::IPv6Protocol
            ? QLatin1Char('[') + each.toString() + QLatin1Char(']')
            : each.toString();
        urls << QStringLiteral("http://%1:%2/").arg(host).arg(m_tcp.serverPort());
    }
    const QString panel = config.panelName.isEmpty()
        ? QString()
        : QStringLiteral(" of \"%1\"").arg(config.panelName);
    qCInfo(lcRemote).noquote() << QStringLiteral("Remote page%1 listening %2, at %3")
                                      .arg(panel,
                                           m_guard->needsLogin() ? QStringLiteral("with a password")
                                                                 : QStringLiteral("without login"),
                                           urls.join(QLatin1String(" ")));
    return true;
}

int WebRemoteServer::openConnections() const
{
    return int(m_requests.size() + m_pages.size());
}

void WebRemoteServer::acceptConnections()
{
    while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
        const QString sender = ClientAddress::sender(socket->peerAddress());
        const auto fromSender
            = std::count_if(m_requests.cbegin(), m_requests.cend(),
                            [&](const Request &request) { return request.sender == sender; });
        if (fromSender >= MaxRequestsPerSender) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (openConnections() >= MaxConnections) {
            // The oldest connection still waiting for its request makes room.
            const auto oldest
                = std::find_if(m_requests.cbegin(), m_requests.cend(), [](const Request &request) {
                      return !request.connection->hasRequest();
                  });
            if (oldest == m_requests.cend()) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            HttpConnection *dropped = oldest->connection;
            m_requests.erase(oldest);
            dropped->socket()->abort();
            dropped->deleteLater();
        }
        auto *connection = new HttpConnection(socket, this);
        m_requests.append({connection, sender});
        connect(connection, &QObject::destroyed, this, [this, connection] {
            m_requests.removeIf(
                [&](const Request &request) { return request.connection == connection; });
        });
        connect(connection, &HttpConnection::requestReceived, this,
                [this, connection](const HttpRequest &request) { answer(connection, request); });
    }
}

void WebRemoteServer::answer(HttpConnection *connection, const HttpRequest &request)
{
    // Before any other check: a request for another name is not for this server, and
    // a page whose name points here is not this panel's page.
    if (!m_hostNames->accepts(request.header("host")))
        return connection->respond(HttpStatus::MisdirectedRequest);
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
    // A form on another site must not spend the operator's guesses.
    if (request.hasHeader("origin") && !isSameOrigin(request))
        return connection->respond(HttpStatus::Forbidden);
    const QHostAddress peer = connection->socket()->peerAddress();
    const QString address = ClientAddress::text(peer);
    const QString sender = ClientAddress::sender(peer);
    QByteArray token;
    const auto verdict
        = m_guard->logIn(sender, formValue(request.body, QStringLiteral("password")), &token);
    switch (verdict) {
    case LoginGuard::Verdict::Accepted:
        qCInfo(lcRemote).noquote() << "Remote login from" << address;
        connection->respond(HttpStatus::SeeOther,
                            {"Location: /",
                             "Set-Cookie: " + QByteArray(CookieName) + '=' + token + "; Max-Age="
                                 + QByteArray::number(qint64(
                                     std::chrono::seconds(LoginGuard::TokenLifetime).count()))
                                 + "; HttpOnly; SameSite=Strict; Path=/"});
        return;
    case LoginGuard::Verdict::Refused:
        logRefusal(address,
                   m_guard->isLockedOut(sender)
                       ? QStringLiteral("wrong password, locked out for a minute")
                       : QStringLiteral("wrong password"));
        serveLogin(connection, HttpStatus::Unauthorized, QStringLiteral("Wrong password."));
        return;
    case LoginGuard::Verdict::LockedOut:
        logRefusal(address, QStringLiteral("locked out"));
        serveLogin(connection, HttpStatus::TooManyRequests,
                   QStringLiteral("Too many wrong passwords. Wait a minute."));
        return;
    case LoginGuard::Verdict::Busy: {
        const auto now = m_loginClock();
        if (!m_lastBusyLog || now - *m_lastBusyLog >= BusyLogInterval) {
            m_lastBusyLog = now;
            qCWarning(lcRemote).noquote()
                << "Refusing remote logins unchecked for now:" << LoginGuard::MaxChecksPerWindow
                << "passwords were tried within a minute; the latest refused came from" << address;
        }
        serveLogin(connection, HttpStatus::TooManyRequests,
                   QStringLiteral("Too many logins tried. Wait a minute."));
        return;
    }
    }
}

void WebRemoteServer::logRefusal(const QString &address, const QString &why)
{
    const auto now = m_loginClock();
    if (m_lastRefusalLog.size() >= MaxRefusalLogAddresses)
        m_lastRefusalLog.clear();
    const auto last = m_lastRefusalLog.constFind(address);
    if (last != m_lastRefusalLog.constEnd() && now - *last < RefusalLogInterval)
        return;
    m_lastRefusalLog.insert(address, now);
    qCInfo(lcRemote).noquote()
        << QStringLiteral("Refused a remote login from %1: %2").arg(address, why);
}

void WebRemoteServer::upgrade(HttpConnection *connection, const HttpRequest &request)
{
    if (!request.header("upgrade").toLower().contains("websocket")
        || !request.header("connection").toLower().contains("upgrade"))
        return connection->respond(HttpStatus::BadRequest);
    if (request.header("sec-websocket-version") != WebSocketVersion)
        return connection->respond(HttpStatus::UpgradeRequired,
                                   {"Sec-WebSocket-Version: " + WebSocketVersion});
    const QByteArray key = request.header("sec-websocket-key");
    const auto decoded
        = QByteArray::fromBase64Encoding(key, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != WebSocketKeyBytes)
        return connection->respond(HttpStatus::BadRequest);
    if (!hasValidCookie(request) || !isSameOrigin(request))
        return connection->respond(HttpStatus::Forbidden);
    if (m_pages.size() >= MaxPages)
        return connection->respond(HttpStatus::Unavailable);
    addPage(connection->switchProtocols(
        {"Upgrade: websocket", "Connection: Upgrade",
         "Sec-WebSocket-Accept: " + WebSocketFrameReader::acceptKey(key)}));
}

void WebRemoteServer::addPage(QTcpSocket *socket)
{
    auto *page = new RemotePage(socket, m_panel, m_clock, this);
    m_pages.append(page);
    const QString address = ClientAddress::text(socket->peerAddress());
    qCInfo(lcRemote).noquote() << QStringLiteral("Remote page connected from %1 (%2 open)")
                                      .arg(address)
                                      .arg(m_pages.size());
    connect(page, &RemotePage::closed, this, [this, page, address] {
        m_pages.removeOne(page);
        qCInfo(lcRemote).noquote() << QStringLiteral("Remote page from %1 gone (%2 open)")
                                          .arg(address)
                                          .arg(m_pages.size());
    });
    const PanelSnapshot now = PanelSnapshot::take(m_panel);
    page->send(now.stateMessage());
    // Changes are followed only while a page is there; otherwise what the others have
    // been sent is the state, and this page may get a change it has already seen.
    if (m_pages.size() == 1)
        m_shown = now;
}

void WebRemoteServer::panelChanged()
{
    if (m_pages.isEmpty() || m_sendQueued || m_sendTimer.isActive())
        return;
    const qint64 sinceLast
        = m_lastSendMs ? m_clock.elapsed() - *m_lastSendMs : MinSendInterval.count();
    if (sinceLast >= MinSendInterval.count()) {
        // Queued, so that the changes one action makes go out in one message.
        m_sendQueued = true;
        QMetaObject::invokeMethod(this, &WebRemoteServer::sendChanges, Qt::QueuedConnection);
    } else {
        m_sendTimer.start(std::chrono::milliseconds(MinSendInterval.count() - sinceLast));
    }
}

void WebRemoteServer::sendChanges()
{
    m_sendQueued = false;
    const PanelSnapshot now = PanelSnapshot::take(m_panel);
    const QByteArray changes = now.changesSince(m_shown);
    m_shown = now;
    if (changes.isEmpty())
        return;
    m_lastSendMs = m_clock.elapsed();
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
