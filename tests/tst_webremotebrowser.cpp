#include "fakeremotepanel.h"
#include "osc/web/webremoteserver.h"
#include "webdriver.h"

#include <QFile>
#include <QtTest>

namespace {

const QString Password = QStringLiteral("stage left");
const QSize Portrait(390, 844);
const QSize Landscape(844, 390);

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void save(const QByteArray &png, const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(png);
}

} // namespace

// The real page in headless Chromium against the server in this process.
class tst_WebRemoteBrowser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void logInAndDriveTheLamps();
};

void tst_WebRemoteBrowser::logInAndDriveTheLamps()
{
    if (!WebDriver::isInstalled())
        QSKIP("chromedriver or chromium is not installed (Debian: chromium-driver)");

    FakeRemotePanel panel;
    panel.count = 16;
    panel.groups = QStringList {"Front wash", "Back light", "Stage left specials"};
    for (int lamp = 0; lamp < panel.count; ++lamp)
        panel.levels[lamp] = lamp * 17;
    const WebRemoteConfig config {freePort(), Password, QStringLiteral("127.0.0.1")};
    auto server = std::make_unique<WebRemoteServer>(panel);
    QVERIFY(server->listen(config));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(config.port);

    WebDriver driver;
    QVERIFY2(driver.start(Portrait), qPrintable(driver.lastError()));
    QVERIFY2(driver.navigate(url), qPrintable(driver.lastError()));
    QVERIFY(driver.sendKeys(driver.findElement("#password"), Password));
    QVERIFY(driver.click(driver.findElement("#log-in")));
    QTRY_VERIFY(!driver.findElement("#lamp3").isEmpty());
    QTRY_COMPARE(driver.executeScript("return document.body.className").toString(), QString());
    QCOMPARE(driver.executeScript("return document.querySelectorAll('.fader').length").toInt(), 16);

    // From the middle of LAMP3's fader to above its top: full.
    const QJsonArray box
        = driver
              .executeScript("const r = document.getElementById('lamp3').getBoundingClientRect();"
                             "return [Math.round(r.x + r.width / 2), Math.round(r.y), "
                             "Math.round(r.height)];")
              .toArray();
    const int x = box[0].toInt();
    const int top = box[1].toInt();
    QVERIFY2(driver.performActions(WebDriver::drag({x, top + box[2].toInt() / 2}, {x, top - 20})),
             qPrintable(driver.lastError()));
    QTRY_COMPARE(panel.levels[3], 255);
    QVERIFY(panel.calls.last() == "move 3 255");

    QVERIFY(driver.click(driver.findElement("#link5")));
    QVERIFY(driver.click(driver.findElement("#group1")));
    QVERIFY(driver.click(driver.findElement("#select-group")));
    QTRY_COMPARE(panel.calls.mid(panel.calls.size() - 2), (QStringList {"link 5 1", "select 1"}));

    // A change on the panel shows on the page.
    panel.levels[7] = 42;
    QTRY_COMPARE(
        driver.executeScript("return document.getElementById('level7').textContent").toString(),
        QString("42"));

    for (const auto &[size, path] : {std::pair {Portrait, "/tmp/web-portrait.png"},
                                     std::pair {Landscape, "/tmp/web-landscape.png"}}) {
        QVERIFY2(driver.setWindowSize(size), qPrintable(driver.lastError()));
        driver.executeScript("window.scrollTo(0, 0)");
        QTest::qWait(300);
        save(driver.screenshot(), path);
    }

    // The panel stops: "Connecting…". It comes back: its old login is void.
    server.reset();
    QTRY_COMPARE(driver.executeScript("return document.body.className").toString(),
                 QString("offline"));
    server = std::make_unique<WebRemoteServer>(panel);
    QVERIFY(server->listen(config));
    QTRY_VERIFY_WITH_TIMEOUT(!driver.findElement("#password").isEmpty(), 10000);
}

QTEST_GUILESS_MAIN(tst_WebRemoteBrowser)
#include "tst_webremotebrowser.moc"
