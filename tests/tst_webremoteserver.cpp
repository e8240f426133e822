#include "fakeremotepanel.h"
#include "freeport.h"
#include "osc/web/panelsnapshot.h"
#include "osc/web/webremoteserver.h"

#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

const QString Password = QStringLiteral("stage left");
// HOST and COOKIE stand for the server's host:port and a logged-in session's cookie.
const QByteArray Upgrade = "GET /socket HTTP/1.1\r\nHost: HOST\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";

// The server on a real port of 127.0.0.1, with a clock the test moves by hand.
class tst_WebRemoteServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listenAddress_data();
    void listenAddress();
    void refusals_data();
    void refusals();
    void fiveWrongPasswordsLockOut();
    void capsAndDeadline();
    void newLampCountSendsTheWholeState();

private:
    QByteArray exchange(QByteArray request);
    QByteArray logIn(const QString &password)
    {
        const QByteArray body = "password=" + QUrl::toPercentEncoding(password);
        return exchange("POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: "
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort()); }

    FakeRemotePanel m_panel;
    std::chrono::steady_clock::time_point m_now {};
    std::unique_ptr<WebRemoteServer> m_server;
    QByteArray m_cookie;
};

void tst_WebRemoteServer::init()
{
    m_server = std::make_unique<WebRemoteServer>(m_panel, [this] { return m_now; });
    QVERIFY(m_server->listen({FreePort::tcp(), Password, QStringLiteral("127.0.0.1")}));
    const QByteArray answer = logIn(Password);
    const auto match = QRegularExpression(QStringLiteral("^HTTP/1.1 303 .*\r\nSet-Cookie: "
                                                         "(kelvaris_session=[0-9a-f]{64}); "
                                                         "HttpOnly; SameSite=Strict; Path=/\r\n"),
                                          QRegularExpression::DotMatchesEverythingOption)
                           .match(QString::fromLatin1(answer));
    QVERIFY2(match.hasMatch(), answer);
    m_cookie = match.captured(1).toLatin1();
}

// Sends the raw request and reads until the server closes.
QByteArray tst_WebRemoteServer::exchange(QByteArray request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    socket.write(request.replace("HOST", host().toLatin1()).replace("COOKIE", m_cookie));
    (void)QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
    return socket.readAll();
}

// Never beyond this machine without a password; a mistyped address falls back to it.
void tst_WebRemoteServer::listenAddress_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QHostAddress>("listen");
    const auto row = [](const char *name, const char *password, const char *address,
                        const QHostAddress &listen) {
        QTest::newRow(name) << QString(password) << QString(address) << listen;
    };
    const QHostAddress loopback(QHostAddress::LocalHost);
    row("no password, no address", "", "", loopback);
    row("no password, any address", "", "0.0.0.0", loopback);
    row("password, blanks", "pw", "  ", QHostAddress(QHostAddress::Any));
    row("password, v4", "pw", " 192.168.1.5 ", QHostAddress("192.168.1.5"));
    row("password, v6", "pw", "fd00::5", QHostAddress("fd00::5"));
    row("password, a name", "pw", "stage.local", loopback);
    row("password, half an address", "pw", "192.168.1", loopback);
}

void tst_WebRemoteServer::listenAddress()
{
    QFETCH(QString, password);
    QFETCH(QString, address);
    QFETCH(QHostAddress, listen);
    const WebRemoteConfig config {8080, password, address};
    QCOMPARE(config.listenAddress(), listen);
    // Each fallback to this machine comes with a reason to log.
    QCOMPARE(config.loopbackReason().isEmpty(), listen != QHostAddress(QHostAddress::LocalHost));
}

void tst_WebRemoteServer::refusals_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    const auto row = [](const char *name, const QByteArray &request, const char *answer) {
        QTest::newRow(name) << request << QByteArray(answer);
    };
    row("made-up cookie", "GET / HTTP/1.1\r\nHost: x\r\nCookie: kelvaris_session=00ff\r\n\r\n",
        "X-Kelvaris-Page: login");
    row("unknown path", "GET /etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", "404 Not Found");
    row("oversized headers",
        "GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(8 * 1024, 'a') + "\r\n\r\n",
        "431 Request Header Fields Too Large");
    row("oversized body", "POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 4097\r\n\r\n",
        "413 Content Too Large");
    row("chunked body", "POST /login HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
        "501 Not Implemented");
    row("no request line", "\r\n\r\n", "400 Bad Request");
    row("WebSocket with other port in Origin",
        Upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST1\r\n\r\n", "403 Forbidden");
    row("WebSocket without Origin", Upgrade + "Cookie: COOKIE\r\n\r\n", "403 Forbidden");
}

void tst_WebRemoteServer::refusals()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    const QByteArray got = exchange(request);
    QVERIFY2(got.contains(answer), got.left(200));
    QCOMPARE(m_server->pageCount(), 0);
}

void tst_WebRemoteServer::fiveWrongPasswordsLockOut()
{
    for (int i = 0; i < LoginGuard::MaxFailures; ++i)
        QVERIFY(logIn("stage").startsWith("HTTP/1.1 401"));
    QVERIFY(logIn(Password).startsWith("HTTP/1.1 429"));
    m_now += LoginGuard::LockOut;
    QVERIFY(logIn(Password).startsWith("HTTP/1.1 303"));
}

// Pages beyond their cap are refused, connections beyond theirs (pages included) closed
// at once, a request unfinished after ten seconds closed; each one gone frees its place.
void tst_WebRemoteServer::capsAndDeadline()
{
    std::vector<std::unique_ptr<QWebSocket>> pages;
    for (int i = 0; i < WebRemoteServer::MaxPages; ++i) {
        pages.push_back(std::make_unique<QWebSocket>(QStringLiteral("http://") + host()));
        QNetworkRequest request(QUrl(QStringLiteral("ws://%1/socket").arg(host())));
        request.setRawHeader("Cookie", m_cookie);
        pages.back()->open(request);
        QTRY_COMPARE(pages.back()->state(), QAbstractSocket::ConnectedState);
    }
    QCOMPARE(exchange(Upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST\r\n\r\n").left(12),
             "HTTP/1.1 503");
    std::vector<std::unique_ptr<QTcpSocket>> open;
    for (int i = WebRemoteServer::MaxPages; i <= WebRemoteServer::MaxConnections; ++i) {
        open.push_back(std::make_unique<QTcpSocket>());
        open.back()->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        // The server shares this thread: wait with its event loop running.
        if (i < WebRemoteServer::MaxConnections)
            QTRY_COMPARE(open.back()->state(), QAbstractSocket::ConnectedState);
    }
    const QDeadlineTimer tooEarly(9500);
    QTRY_COMPARE(open.back()->state(), QAbstractSocket::UnconnectedState);
    QTcpSocket &lastIn = *open.at(open.size() - 2);
    lastIn.write("GET / HTTP/1.1\r\nHost: x\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(lastIn.state(), QAbstractSocket::UnconnectedState, 15000);
    QVERIFY(tooEarly.hasExpired());
    pages.clear();
    QTRY_COMPARE(m_server->openConnections(), 0);
}

// Pages lay their lamps out again only from a state message.
void tst_WebRemoteServer::newLampCountSendsTheWholeState()
{
    FakeRemotePanel panel;
    const PanelSnapshot before = PanelSnapshot::take(panel);
    panel.count = 9;
    QVERIFY(PanelSnapshot::take(panel).changesSince(before).contains(R"("lampCount":9)"));
}

QTEST_GUILESS_MAIN(tst_WebRemoteServer)
#include "tst_webremoteserver.moc"
