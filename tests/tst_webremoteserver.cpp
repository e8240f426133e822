#include "fakeremotepanel.h"
#include "freeport.h"
#include "osc/web/webremoteserver.h"

#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString Password = QStringLiteral("stage left");

} // namespace

// The server on a real port of 127.0.0.1, with a clock the test moves by hand.
class tst_WebRemoteServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void refusals_data();
    void refusals();
    void fiveWrongPasswordsLockOut();
    void pageDrivesThePanelAndHearsIt();
    void connectionsBeyondTheLimitClose();
    void pagesBeyondTheLimitAreRefused();
    void slowRequestIsClosed();

private:
    QByteArray exchange(const QByteArray &request);
    QByteArray logIn(const QByteArray &password);
    std::unique_ptr<QWebSocket> openPage(const QByteArray &cookie, const QString &origin);
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort()); }

    FakeRemotePanel m_panel;
    std::chrono::steady_clock::time_point m_now {};
    std::unique_ptr<WebRemoteServer> m_server;
    QByteArray m_cookie;
};

void tst_WebRemoteServer::init()
{
    m_panel = FakeRemotePanel();
    m_server = std::make_unique<WebRemoteServer>(m_panel, [this] { return m_now; });
    QVERIFY(m_server->listen({FreePort::tcp(), Password, QStringLiteral("127.0.0.1")}));
    const QByteArray answer = logIn(QUrl::toPercentEncoding(Password));
    QVERIFY2(answer.startsWith("HTTP/1.1 303"), answer);
    const QRegularExpression cookie(QStringLiteral("Set-Cookie: (kelvaris_session=[0-9a-f]{64}); "
                                                   "HttpOnly; SameSite=Strict; Path=/\r\n"));
    const auto match = cookie.match(QString::fromLatin1(answer));
    QVERIFY2(match.hasMatch(), answer);
    m_cookie = match.captured(1).toLatin1();
}

QByteArray tst_WebRemoteServer::exchange(const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    socket.waitForConnected(1000);
    socket.write(request);
    QByteArray answer;
    (void)QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        5000);
    return answer + socket.readAll();
}

QByteArray tst_WebRemoteServer::logIn(const QByteArray &password)
{
    const QByteArray body = "password=" + password;
    return exchange("POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

std::unique_ptr<QWebSocket> tst_WebRemoteServer::openPage(const QByteArray &cookie,
                                                          const QString &origin)
{
    auto page = std::make_unique<QWebSocket>(origin);
    QNetworkRequest request(QUrl(QStringLiteral("ws://%1/socket").arg(host())));
    if (!cookie.isEmpty())
        request.setRawHeader("Cookie", cookie);
    page->open(request);
    return page;
}

void tst_WebRemoteServer::refusals_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray upgrade = "GET /socket HTTP/1.1\r\nHost: HOST\r\nUpgrade: websocket\r\n"
                               "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    QTest::newRow("login page without cookie")
        << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n") << QByteArray("200 OK");
    QTest::newRow("page with a made-up cookie")
        << QByteArray("GET / HTTP/1.1\r\nHost: x\r\nCookie: kelvaris_session=00ff\r\n\r\n")
        << QByteArray("X-Kelvaris-Page: login");
    QTest::newRow("wrong password")
        << QByteArray("POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 14\r\n\r\n"
                      "password=stage")
        << QByteArray("401 Unauthorized");
    QTest::newRow("unknown path") << QByteArray("GET /etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n")
                                  << QByteArray("404 Not Found");
    QTest::newRow("page by POST") << QByteArray("POST / HTTP/1.1\r\nHost: x\r\n\r\n")
                                  << QByteArray("404 Not Found");
    QTest::newRow("oversized headers")
        << "GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(8 * 1024, 'a') + "\r\n\r\n"
        << QByteArray("431 Request Header Fields Too Large");
    QTest::newRow("oversized body")
        << QByteArray("POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 4097\r\n\r\n")
        << QByteArray("413 Content Too Large");
    QTest::newRow("chunked body") << QByteArray(
        "POST /login HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n")
                                  << QByteArray("501 Not Implemented");
    QTest::newRow("no request line") << QByteArray("\r\n\r\n") << QByteArray("400 Bad Request");
    QTest::newRow("HTTP/2") << QByteArray("GET / HTTP/2.0\r\nHost: x\r\n\r\n")
                            << QByteArray("505 HTTP Version Not Supported");
    QTest::newRow("WebSocket without cookie") << upgrade + "Origin: http://HOST\r\n\r\n"
                                              << QByteArray("403 Forbidden");
    QTest::newRow("WebSocket with foreign Origin")
        << upgrade + "Cookie: COOKIE\r\nOrigin: http://evil.example\r\n\r\n"
        << QByteArray("403 Forbidden");
    QTest::newRow("WebSocket with other port in Origin")
        << upgrade + "Cookie: COOKIE\r\nOrigin: http://HOST1\r\n\r\n"
        << QByteArray("403 Forbidden");
    QTest::newRow("WebSocket without Origin") << upgrade + "Cookie: COOKIE\r\n\r\n"
                                              << QByteArray("403 Forbidden");
}

void tst_WebRemoteServer::refusals()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    request.replace("HOST", host().toLatin1()).replace("COOKIE", m_cookie);
    const QByteArray got = exchange(request);
    QVERIFY2(got.contains(answer), got.left(200));
    QCOMPARE(m_server->pageCount(), 0);
    QCOMPARE(m_panel.calls, QStringList());
}

void tst_WebRemoteServer::fiveWrongPasswordsLockOut()
{
    for (int i = 0; i < LoginGuard::MaxFailures; ++i)
        QVERIFY(logIn("guess").startsWith("HTTP/1.1 401"));
    QVERIFY(logIn(QUrl::toPercentEncoding(Password)).startsWith("HTTP/1.1 429"));
    m_now += LoginGuard::LockOut;
    QVERIFY(logIn(QUrl::toPercentEncoding(Password)).startsWith("HTTP/1.1 303"));
}

void tst_WebRemoteServer::pageDrivesThePanelAndHearsIt()
{
    m_panel.levels[2] = 17;
    auto page = openPage(m_cookie, QStringLiteral("http://") + host());
    QSignalSpy heard(page.get(), &QWebSocket::textMessageReceived);
    QVERIFY(heard.wait());
    QCOMPARE(heard.at(0).at(0).toString(),
             R"({"groups":["Front","Back"],"lampCount":8,"levels":[0,0,17,0,0,0,0,0],)"
             R"("links":[false,false,false,false,false,false,false,false],"type":"state"})");

    page->sendTextMessage(R"({"type":"move","lamp":3,"level":200})");
    QTRY_COMPARE(m_panel.calls, QStringList {"move 3 200"});
    QTRY_COMPARE(heard.size(), 2);
    QCOMPARE(heard.at(1).at(0).toString(), R"({"levels":[[3,200]],"links":[],"type":"update"})");

    m_panel.count = 9;
    QTRY_COMPARE(heard.size(), 3);
    QVERIFY(heard.at(2).at(0).toString().contains(R"("lampCount":9)"));
}

void tst_WebRemoteServer::connectionsBeyondTheLimitClose()
{
    std::vector<std::unique_ptr<QTcpSocket>> open;
    for (int i = 0; i <= WebRemoteServer::MaxConnections; ++i) {
        open.push_back(std::make_unique<QTcpSocket>());
        open.back()->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        // The server shares this thread: wait with its event loop running.
        if (i < WebRemoteServer::MaxConnections)
            QTRY_COMPARE(open.back()->state(), QAbstractSocket::ConnectedState);
    }
    QTRY_COMPARE(open.back()->state(), QAbstractSocket::UnconnectedState);
    QTest::qWait(100);
    QCOMPARE(open.at(WebRemoteServer::MaxConnections - 1)->state(),
             QAbstractSocket::ConnectedState);
}

void tst_WebRemoteServer::pagesBeyondTheLimitAreRefused()
{
    std::vector<std::unique_ptr<QWebSocket>> pages;
    for (int i = 0; i < WebRemoteServer::MaxPages; ++i) {
        pages.push_back(openPage(m_cookie, QStringLiteral("http://") + host()));
        QTRY_COMPARE(pages.back()->state(), QAbstractSocket::ConnectedState);
    }
    QCOMPARE(exchange("GET /socket HTTP/1.1\r\nHost: " + host().toLatin1()
                      + "\r\nUpgrade: websocket\r\nCookie: " + m_cookie + "\r\nOrigin: http://"
                      + host().toLatin1() + "\r\n\r\n")
                 .left(12),
             "HTTP/1.1 503");
    pages.pop_back();
    QTRY_COMPARE(m_server->pageCount(), WebRemoteServer::MaxPages - 1);
    pages.clear();
    QTRY_COMPARE(m_server->pageCount(), 0);
    QTRY_COMPARE(m_server->openConnections(), 0);
}

void tst_WebRemoteServer::slowRequestIsClosed()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    QVERIFY(socket.waitForConnected(1000));
    socket.write("GET / HTTP/1.1\r\nHost: x\r\n");
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 15000);
    QVERIFY(clock.elapsed() >= 9500);
}

QTEST_GUILESS_MAIN(tst_WebRemoteServer)
#include "tst_webremoteserver.moc"
