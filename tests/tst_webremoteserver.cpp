#include "fakeremotepanel.h"
#include "freeport.h"
#include "remote/web/clientaddress.h"
#include "remote/web/localhostnames.h"
#include "remote/web/panelsnapshot.h"
#include "remote/web/remotepage.h"
#include "remote/web/sessionsecret.h"
#include "remote/web/webremoteserver.h"
#include "remotelogin.h"

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

const QString Password = QStringLiteral("stage left");
// HOST and COOKIE stand for the server's host:port and a logged-in session's cookie.
const QByteArray Upgrade = "GET /socket HTTP/1.1\r\nHost: HOST\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
const QByteArray PageUpgrade = Upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST\r\n\r\n";

// The address of the n-th sender on loopback: 127.0.0.1 is the test's own.
QHostAddress peer(int n)
{
    return QHostAddress(QHostAddress(QHostAddress::LocalHost).toIPv4Address() + quint32(n));
}

// A masked frame as a browser sends it.
QByteArray clientFrame(quint8 first, const QByteArray &payload, bool masked = true)
{
    const char mask[] = {0x11, 0x22, 0x33, 0x44};
    QByteArray frame {1, char(first)};
    frame += char((masked ? 0x80 : 0) | payload.size());
    if (!masked)
        return frame + payload;
    frame += QByteArray(mask, 4);
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame += char(payload.at(i) ^ mask[i % 4]);
    return frame;
}

// The server on a real port of 127.0.0.1, with a clock the test moves by hand.
class tst_WebRemoteServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listenAddress_data();
    void listenAddress();
    void hostNames_data();
    void hostNames();
    void senders();
    void refusals_data();
    void refusals();
    void wrongPasswordsLockOutOneSender();
    void guessesAreCappedOverAllSenders();
    void withoutPasswordHostStillCounts();
    void pageFrames();
    void pageThatStopsReadingIsDropped();
    void slowConnectionsMakeRoom();
    void newLampCountSendsTheWholeState();
    void loginsOutlastARestartButNotANewPassword();

private:
    QByteArray exchange(QByteArray request, const QHostAddress &from = peer(0));
    QByteArray logIn(const QString &password, const QHostAddress &from = peer(0),
                     const QByteArray &origin = {})
    {
        return exchange(RemoteLogin::request("HOST", password, origin), from);
    }
    // A page's socket after the handshake, the 101 read.
    std::unique_ptr<QTcpSocket> openPage();
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort()); }

    FakeRemotePanel m_panel;
    std::chrono::steady_clock::time_point m_now {};
    std::unique_ptr<WebRemoteServer> m_server;
    QByteArray m_cookie;
};

void tst_WebRemoteServer::init()
{
    m_server = std::make_unique<WebRemoteServer>(m_panel, [this] { return m_now; });
    QVERIFY(m_server->listen({FreePort::tcp(), Password, QStringLiteral("127.0.0.1"), {}, {}, {}}));
    const QByteArray answer = logIn(Password);
    m_cookie = RemoteLogin::sessionCookie(answer);
    QVERIFY2(answer.startsWith("HTTP/1.1 303 ") && m_cookie.startsWith("kelvaris_session="),
             answer);
}

// Sends the raw request from a loopback address and reads until the server closes.
QByteArray tst_WebRemoteServer::exchange(QByteArray request, const QHostAddress &from)
{
    QTcpSocket socket;
    socket.bind(from);
    socket.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    socket.write(request.replace("HOST", host().toLatin1()).replace("COOKIE", m_cookie));
    (void)QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
    return socket.readAll();
}

std::unique_ptr<QTcpSocket> tst_WebRemoteServer::openPage()
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    socket->write(
        QByteArray(PageUpgrade).replace("HOST", host().toLatin1()).replace("COOKIE", m_cookie));
    if (!QTest::qWaitFor([&] { return socket->peek(4096).contains("\r\n\r\n"); }))
        return nullptr;
    const QByteArray head = socket->read(socket->peek(4096).indexOf("\r\n\r\n") + 4);
    return head.startsWith("HTTP/1.1 101") ? std::move(socket) : nullptr;
}

// Never beyond this machine without a password or with a short one; a mistyped
// address falls back to it.
void tst_WebRemoteServer::listenAddress_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QHostAddress>("listen");
    const auto row = [](const char *name, const char *password, const char *address,
                        const QHostAddress &listen) {
        QTest::newRow(name) << QString::fromUtf8(password) << QString(address) << listen;
    };
    const QHostAddress loopback(QHostAddress::LocalHost);
    row("no password, no address", "", "", loopback);
    row("no password, any address", "", "0.0.0.0", loopback);
    row("password, blanks", "password", "  ", QHostAddress(QHostAddress::Any));
    row("password, v4", "password", " 192.168.1.5 ", QHostAddress("192.168.1.5"));
    row("password, v6", "password", "fd00::5", QHostAddress("fd00::5"));
    row("password, a name", "password", "stage.local", loopback);
    row("password, half an address", "password", "192.168.1", loopback);
    row("seven characters", "passwor", "", loopback);
    row("eight characters, two of them beyond UTF-16's plane", "ab\U0001F3ADcdef\U0001F3AD", "",
        QHostAddress(QHostAddress::Any));
}

void tst_WebRemoteServer::listenAddress()
{
    QFETCH(QString, password);
    QFETCH(QString, address);
    QFETCH(QHostAddress, listen);
    const WebRemoteConfig config {8080, password, address, {}, {}, {}};
    QCOMPARE(config.listenAddress(), listen);
    // Each fallback to this machine comes with a reason to log.
    QCOMPARE(config.loopbackReason().isEmpty(), listen != QHostAddress(QHostAddress::LocalHost));
}

void tst_WebRemoteServer::hostNames_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<bool>("accepted");
    const QByteArray machine = QHostInfo::localHostName().toLatin1();
    const QList<std::pair<QByteArray, bool>> rows = {
        {"LocalHost:8080", true},
        {"127.0.0.1:8080", true},
        {"[::1]:8080", true},
        {machine + ":8080", true},
        {machine.toUpper() + ".local.", true},
        {"stage.example", true},
        {"STAGE.example:80", true},
        {"rebind.example", false},
        {"localhost.rebind.example", false},
        {"192.0.2.1", false},
        {"::1", false},
        {"localhost:http", false},
        {"", false},
    };
    for (const auto &[host, accepted] : rows)
        QTest::newRow(host.isEmpty() ? "(empty)" : host.constData()) << host << accepted;
}

void tst_WebRemoteServer::hostNames()
{
    QFETCH(QByteArray, host);
    QFETCH(bool, accepted);
    QCOMPARE(LocalHostNames({QStringLiteral(" Stage.example ")}).accepts(host), accepted);
}

// IPv4 senders are their address, also when mapped into IPv6; IPv6 senders their /64.
void tst_WebRemoteServer::senders()
{
    const auto of = [](const char *address) {
        return ClientAddress::sender(QHostAddress(QString::fromLatin1(address)));
    };
    QCOMPARE(of("::ffff:192.0.2.7"), of("192.0.2.7"));
    QVERIFY(of("192.0.2.7") != of("192.0.2.8"));
    QCOMPARE(of("2001:db8:1:2::1"), of("2001:db8:1:2:ffff:ffff:ffff:ffff"));
    QCOMPARE(of("2001:db8:1:2::1"), QString("2001:db8:1:2::/64"));
    QVERIFY(of("2001:db8:1:2::1") != of("2001:db8:1:3::1"));
}

void tst_WebRemoteServer::refusals_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    const auto row = [](const char *name, const QByteArray &request, const char *answer) {
        QTest::newRow(name) << request << QByteArray(answer);
    };
    row("made-up cookie", "GET / HTTP/1.1\r\nHost: HOST\r\nCookie: kelvaris_session=00ff\r\n\r\n",
        "X-Kelvaris-Page: login");
    row("unknown path", "GET /etc/passwd HTTP/1.1\r\nHost: HOST\r\n\r\n", "404 Not Found");
    row("oversized headers",
        "GET / HTTP/1.1\r\nHost: HOST\r\nX-Pad: " + QByteArray(8 * 1024, 'a') + "\r\n\r\n",
        "431 Request Header Fields Too Large");
    row("oversized body", "POST /login HTTP/1.1\r\nHost: HOST\r\nContent-Length: 4097\r\n\r\n",
        "413 Content Too Large");
    row("chunked body", "POST /login HTTP/1.1\r\nHost: HOST\r\nTransfer-Encoding: chunked\r\n\r\n",
        "501 Not Implemented");
    row("no request line", "\r\n\r\n", "400 Bad Request");
    row("two Hosts", "GET / HTTP/1.1\r\nHost: HOST\r\nHost: HOST\r\n\r\n", "400 Bad Request");
    row("two Cookies", "GET / HTTP/1.1\r\nHost: HOST\r\nCookie: COOKIE\r\nCookie: a=b\r\n\r\n",
        "400 Bad Request");
    row("two Origins", Upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST\r\nOrigin: x\r\n\r\n",
        "400 Bad Request");
    // DNS rebinding: a page whose own name now points here, Origin and Host alike.
    row("Host of another name", "GET / HTTP/1.1\r\nHost: rebind.example\r\n\r\n",
        "421 Misdirected Request");
    row("WebSocket with Host and Origin of another name",
        QByteArray(Upgrade).replace("HOST", "rebind.example")
            + "Cookie: COOKIE\r\nOrigin: http://rebind.example\r\n\r\n",
        "421 Misdirected Request");
    row("WebSocket with other port in Origin",
        Upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST1\r\n\r\n", "403 Forbidden");
    row("WebSocket without Origin", Upgrade + "Cookie: COOKIE\r\n\r\n", "403 Forbidden");
    row("WebSocket of another version",
        QByteArray(PageUpgrade).replace("Version: 13", "Version: 8"), "426 Upgrade Required");
    row("login from another site",
        "POST /login HTTP/1.1\r\nHost: HOST\r\nOrigin: http://evil.example\r\n\r\n",
        "403 Forbidden");
    row("login from a sandboxed page", "POST /login HTTP/1.1\r\nHost: HOST\r\nOrigin: null\r\n\r\n",
        "403 Forbidden");
}

void tst_WebRemoteServer::refusals()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    const QByteArray got = exchange(request);
    QVERIFY2(got.contains(answer), got.left(200));
    QCOMPARE(m_server->pageCount(), 0);
}

// Guesses from another site's form are refused unchecked, and lock no one out.
void tst_WebRemoteServer::wrongPasswordsLockOutOneSender()
{
    for (int i = 0; i < LoginGuard::MaxFailures; ++i)
        QVERIFY(
            logIn("stage", peer(0), "Origin: http://evil.example\r\n").startsWith("HTTP/1.1 403"));
    for (int i = 0; i < LoginGuard::MaxFailures; ++i)
        QVERIFY(logIn("stage").startsWith("HTTP/1.1 401"));
    QVERIFY(logIn(Password).startsWith("HTTP/1.1 429"));
    QVERIFY(logIn(Password, peer(1)).startsWith("HTTP/1.1 303"));
    m_now += LoginGuard::LockOut;
    QVERIFY(logIn(Password).startsWith("HTTP/1.1 303"));
}

// Many addresses get no more guesses than one: beyond the shared cap, even the right
// password is refused unchecked, while a page already logged in is served.
void tst_WebRemoteServer::guessesAreCappedOverAllSenders()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing remote logins unchecked"));
    int checked = 1; // the login of init()
    while (logIn("stage", peer(checked)).startsWith("HTTP/1.1 401"))
        ++checked;
    QCOMPARE(checked, LoginGuard::MaxChecksPerWindow);
    // Logged once a minute, not once a guess: the ignored message above is the only one.
    QVERIFY(logIn(Password, peer(checked + 1)).startsWith("HTTP/1.1 429"));
    QVERIFY(!exchange("GET / HTTP/1.1\r\nHost: HOST\r\nCookie: COOKIE\r\n\r\n")
                 .contains("X-Kelvaris-Page: login"));
    m_now += LoginGuard::FailureWindow;
    QVERIFY(logIn(Password, peer(checked + 1)).startsWith("HTTP/1.1 303"));
}

void tst_WebRemoteServer::withoutPasswordHostStillCounts()
{
    WebRemoteServer open(m_panel);
    QVERIFY(open.listen({FreePort::tcp(), {}, {}, {}, {}, {}}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, open.serverPort());
    socket.write(QByteArray(Upgrade).replace("HOST", "rebind.example")
                 + "Origin: http://rebind.example\r\n\r\n");
    QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(socket.readAll().startsWith("HTTP/1.1 421"));
    QCOMPARE(open.pageCount(), 0);
}

// An unmasked frame closes the page with a protocol error; a flood of pings gets a
// few answers, and the page stays.
void tst_WebRemoteServer::pageFrames()
{
    const auto page = openPage();
    QVERIFY(page);
    QTRY_COMPARE(m_server->pageCount(), 1);
    QByteArray pings;
    for (int i = 0; i < 1000; ++i)
        pings += clientFrame(0x89, "ping");
    page->write(pings);
    QTest::qWait(200);
    const QByteArray received = page->readAll();
    const QByteArray pong = "\x8a\x04ping";
    QVERIFY(received.count(pong) >= 1);
    QVERIFY(received.count(pong) <= RemotePage::MaxPongsPerSecond);
    QCOMPARE(m_server->pageCount(), 1);

    page->write(clientFrame(0x81, "{}", false));
    QTRY_COMPARE(page->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(page->readAll().endsWith(QByteArray("\x88\x02\x03\xea", 4))); // 1002
    QCOMPARE(m_server->pageCount(), 0);
}

// Updates pile up for a page that never reads; past the cap it is dropped.
void tst_WebRemoteServer::pageThatStopsReadingIsDropped()
{
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.setReadBufferSize(1);
    client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    QVERIFY(listener.waitForNewConnection(5000));
    QElapsedTimer clock;
    clock.start();
    auto *page = new RemotePage(listener.nextPendingConnection(), m_panel, clock);
    QSignalSpy closed(page, &RemotePage::closed);
    const QByteArray update(60 * 1024, 'x');
    // Kernel buffers take the first megabytes; the bound only keeps the test finite.
    for (int i = 0; i < 1000 && closed.isEmpty(); ++i) {
        page->send(update);
        QTest::qWait(1);
    }
    QCOMPARE(closed.size(), 1);
}

// Slow connections hold every slot: a sender gets eight, and the oldest still on its
// request makes room for a new one, so a real login gets through.
void tst_WebRemoteServer::slowConnectionsMakeRoom()
{
    std::vector<std::unique_ptr<QWebSocket>> pages;
    for (int i = 0; i < WebRemoteServer::MaxPages; ++i) {
        pages.push_back(std::make_unique<QWebSocket>(QStringLiteral("http://") + host()));
        QNetworkRequest request(QUrl(QStringLiteral("ws://%1/socket").arg(host())));
        request.setRawHeader("Cookie", m_cookie);
        pages.back()->open(request);
        QTRY_COMPARE(pages.back()->state(), QAbstractSocket::ConnectedState);
    }
    QCOMPARE(exchange(PageUpgrade).left(12), "HTTP/1.1 503");

    const auto slow = [this](int from) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(peer(from));
        socket->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        socket->write("GET / HTTP/1.1\r\n");
        return socket;
    };
    std::vector<std::unique_ptr<QTcpSocket>> held;
    const int senders = (WebRemoteServer::MaxConnections - WebRemoteServer::MaxPages)
        / WebRemoteServer::MaxRequestsPerSender;
    for (int i = 0; i < senders * WebRemoteServer::MaxRequestsPerSender; ++i) {
        held.push_back(slow(1 + i / WebRemoteServer::MaxRequestsPerSender));
        QTRY_COMPARE(m_server->openConnections(), WebRemoteServer::MaxPages + i + 1);
    }
    const auto ninth = slow(1);
    QTRY_COMPARE(ninth->state(), QAbstractSocket::UnconnectedState);

    QVERIFY(logIn(Password, peer(senders + 1)).startsWith("HTTP/1.1 303"));
    QCOMPARE(held.front()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(held.back()->state(), QAbstractSocket::ConnectedState);

    // A request unfinished after ten seconds is closed, not before.
    const QDeadlineTimer tooEarly(9500);
    QTRY_COMPARE_WITH_TIMEOUT(held.back()->state(), QAbstractSocket::UnconnectedState, 15000);
    QVERIFY(tooEarly.hasExpired());
    // The pages, open all that time without a word, are dropped as gone.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->pageCount(), 0, 2000);
    pages.clear();
    QTRY_COMPARE(m_server->openConnections(), 0);
}

// Pages lay their lamps out again only from a state message.
void tst_WebRemoteServer::newLampCountSendsTheWholeState()
{
    FakeRemotePanel panel;
    const PanelSnapshot before = PanelSnapshot::take(panel);
    panel.count = 9;
    const QByteArray state = PanelSnapshot::take(panel).changesSince(before);
    QVERIFY(state.contains(R"("lampCount":9)"));
    QVERIFY(state.contains(R"("names":["","","Wash",)")
            && state.contains(R"("panel":"Stage left")"));
}

// A token is checked against the secret, the password and the wall clock alone.
void tst_WebRemoteServer::loginsOutlastARestartButNotANewPassword()
{
    qint64 now = 1'800'000'000;
    const auto wall = [&now] {
        return now;
    };
    const QByteArray secret(SessionSecret::Bytes, 's');
    QByteArray token;
    LoginGuard before(Password, secret, std::chrono::steady_clock::now, wall);
    QCOMPARE(before.logIn(QStringLiteral("a"), Password.toUtf8(), &token),
             LoginGuard::Verdict::Accepted);
    QVERIFY(LoginGuard(Password, secret, std::chrono::steady_clock::now, wall).isValidToken(token));
    QVERIFY(!LoginGuard(Password + 'x', secret, std::chrono::steady_clock::now, wall)
                 .isValidToken(token));
    QVERIFY(!LoginGuard(Password, QByteArray(SessionSecret::Bytes, 't'),
                        std::chrono::steady_clock::now, wall)
                 .isValidToken(token));
    QVERIFY(!before.isValidToken(token.left(token.size() - 1) + 'f'));
    now += std::chrono::seconds(LoginGuard::TokenLifetime).count();
    QVERIFY(!before.isValidToken(token));
}

QTEST_GUILESS_MAIN(tst_WebRemoteServer)
#include "tst_webremoteserver.moc"
