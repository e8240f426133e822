#include "freeport.h"
#include "lampcommandreader.h"
#include "oscdatagram.h"
#include "panelini.h"
#include "panelprocess.h"
#include "pseudoterminal.h"
#include "webdriver.h"

#include <QUdpSocket>
#include <QtTest>
#include <csignal>

namespace {

using namespace std::chrono_literals;

const QString Password = QStringLiteral("stage left");
const QSize Portrait(390, 844);
constexpr auto LineTimeout = 5000ms;
constexpr int BrowserTimeoutMs = 10000;

// Opens a WebSocket from the page shown and gives the script's name for its fate.
const QString TryWebSocket = QStringLiteral(
    "window.socketFate = 'pending';"
    "const ws = new WebSocket(arguments[0]);"
    "ws.onopen = () => { window.socketFate = 'open'; ws.close(); };"
    "ws.onclose = () => { if (window.socketFate === 'pending') window.socketFate = 'refused'; };");

} // namespace

// The real page in headless Chromium, driving the real panel on a pseudo-terminal.
class tst_WebRemoteBrowser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phoneDrivesThePanel();
};

void tst_WebRemoteBrowser::phoneDrivesThePanel()
{
    if (!WebDriver::isInstalled())
        QSKIP("chromedriver or chromium is not installed (Debian: chromium-driver)");

    PseudoTerminal line;
    QVERIFY(line.isValid());
    const quint16 webPort = FreePort::tcp();
    const quint16 oscPort = OscDatagram::freeLoopbackPort();
    // "Sides" holds lamps 0 and 2, "Back" lamp 7; levels are kept, so a restart shows them.
    const PanelIni settings {16, line.devicePath(),
                             "KeepLevels=1\nPanelName=Stage left\nLampName3=Spot DSR\nWebPort="
                                 + QByteArray::number(webPort)
                                 + "\nWebPassword=" + Password.toUtf8()
                                 + "\nWebAddress=127.0.0.1\nOscPort=" + QByteArray::number(oscPort)
                                 + "\nGroup1=Sides\nCode1=5\nGroup2=Back\nCode2=128\n"};
    PanelProcess panel;
    QVERIFY(panel.prepare(settings.text()));
    QVERIFY(panel.start());
    LampCommandReader reader(line);
    QCOMPARE(reader.receive(1, LineTimeout).size(), 1);

    const QString socketUrl = QStringLiteral("ws://127.0.0.1:%1/socket").arg(webPort);
    WebDriver driver;
    QVERIFY2(driver.start(Portrait), qPrintable(driver.lastError()));
    const auto script = [&](const QString &text) {
        return driver.executeScript(text);
    };
    const auto level = [&](int lamp) {
        const QString text
            = QStringLiteral("return document.getElementById('level%1').textContent");
        return script(text.arg(lamp)).toString();
    };
    const auto logIn = [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!driver.findElement("#password").isEmpty(), BrowserTimeoutMs);
        QVERIFY(driver.sendKeys(driver.findElement("#password"), Password));
        QVERIFY(driver.click(driver.findElement("#log-in")));
    };
    QVERIFY2(driver.navigate(QStringLiteral("http://127.0.0.1:%1/").arg(webPort)),
             qPrintable(driver.lastError()));

    // Refused: a WebSocket without the login's cookie.
    driver.executeScript(TryWebSocket, {socketUrl});
    QTRY_COMPARE(script("return window.socketFate").toString(), QString("refused"));
    logIn();
    QTRY_VERIFY_WITH_TIMEOUT(!driver.findElement("#lamp15").isEmpty(), BrowserTimeoutMs);
    QTRY_COMPARE(script("return document.body.className").toString(), QString());

    QCOMPARE(script("return document.title").toString(), QString("Stage left"));
    QCOMPARE(
        script("return document.getElementById('lamp3').getAttribute('aria-label')").toString(),
        QString("LAMP3 Spot DSR"));

    // Sixteen lamps and the group controls fit the phone's screen either way up.
    const QString fits = QStringLiteral(
        "const inside = (r) => r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight"
        "  && r.right <= innerWidth;"
        "return document.scrollingElement.scrollHeight <= innerHeight"
        "  && [...document.querySelectorAll('.fader, .link, .level, button')]"
        "       .every((e) => inside(e.getBoundingClientRect()));");
    QVERIFY(driver.setWindowSize(Portrait.transposed()));
    QTRY_VERIFY(script(fits).toBool());
    QVERIFY(driver.setWindowSize(Portrait));
    QTRY_VERIFY(script(fits).toBool());

    const auto center = [&](int lamp) {
        const QJsonArray at = script(QStringLiteral("const r = document.getElementById('lamp%1')"
                                                    ".getBoundingClientRect();"
                                                    "return [r.x + r.width / 2, r.y + r.height / 2]"
                                                    ".map(Math.round);")
                                         .arg(lamp))
                                  .toArray();
        return QPoint(at[0].toInt(), at[1].toInt());
    };
    const auto onTheLine = [&](int lamp, int wanted, std::chrono::milliseconds within) {
        for (const QDeadlineTimer deadline(within); !deadline.hasExpired();) {
            for (const auto &command : reader.receive(1, within)) {
                if (command.lamp == lamp && command.level == wanted)
                    return true;
            }
        }
        return false;
    };
    // A tap moves nothing; a drag moves by its distance, 1.5 px a level, from where the
    // level was; two fingers move two faders.
    QVERIFY(driver.performActions(WebDriver::drag(center(3), center(3), 1)));
    QVERIFY(driver.performActions(WebDriver::drag(center(3), center(3) - QPoint(0, 150))));
    QTRY_COMPARE(level(3), QString("100"));
    QVERIFY(onTheLine(3, 100, LineTimeout));
    QVERIFY(driver.performActions(
        {WebDriver::drag(center(1), center(1) - QPoint(0, 90), 8, QStringLiteral("first")).first(),
         WebDriver::drag(center(2), center(2) - QPoint(0, 60), 8, QStringLiteral("second"))
             .first()}));
    QTRY_COMPARE(level(1) + ' ' + level(2) + ' ' + level(3), QString("60 40 100"));
    // A level typed as a percentage: 50 % of 255, rounded.
    QVERIFY(driver.click(driver.findElement("#level4")));
    QVERIFY(driver.sendKeys(driver.findElement("#level-input4"), QStringLiteral("50%\uE007")));
    QTRY_COMPARE(level(4), QString("128"));
    QVERIFY(onTheLine(4, 128, LineTimeout));

    // A move made at the panel (here by cue software over OSC) shows on the page.
    QUdpSocket cue;
    const QByteArray move = OscDatagram::message("/kelvaris/lamp/7", 'i', 42);
    QCOMPARE(cue.writeDatagram(move, QHostAddress::LocalHost, oscPort), move.size());
    QTRY_COMPARE(level(7), QString("42"));

    // A finger rests on LAMP5 while another page and then the panel (here cue software)
    // move it; once it lifts, without moving, the page shows the desk's level, not its own.
    constexpr int HoldMs = 1500;
    driver.executeScript("const other = new WebSocket(arguments[0]);"
                         "other.onopen = () => setTimeout(() => other.send("
                         "'{\"type\":\"move\",\"lamp\":5,\"level\":200}'), 300);",
                         {socketUrl});
    const QByteArray hand = OscDatagram::message("/kelvaris/lamp/5", 'i', 42);
    QTimer::singleShot(HoldMs / 2, &cue,
                       [&] { cue.writeDatagram(hand, QHostAddress::LocalHost, oscPort); });
    const QJsonArray lamp5
        = script("const r = document.getElementById('lamp5')"
                 ".getBoundingClientRect();"
                 "return [r.x + r.width / 2, r.y + r.height / 2].map(Math.round);")
              .toArray();
    const QJsonArray hold {
        QJsonObject {{"type", "pointerMove"}, {"x", lamp5[0]}, {"y", lamp5[1]}, {"duration", 0}},
        QJsonObject {{"type", "pointerDown"}, {"button", 0}},
        QJsonObject {{"type", "pause"}, {"duration", HoldMs}},
        QJsonObject {{"type", "pointerUp"}, {"button", 0}}};
    QVERIFY(
        driver.performActions({QJsonObject {{"type", "pointer"},
                                            {"id", "finger"},
                                            {"parameters", QJsonObject {{"pointerType", "touch"}}},
                                            {"actions", hold}}}));
    QList<int> lamp5Levels;
    for (const QDeadlineTimer deadline(LineTimeout);
         !(lamp5Levels.contains(200) && lamp5Levels.contains(42)) && !deadline.hasExpired();) {
        for (const auto &command : reader.receive(1, LineTimeout)) {
            if (command.lamp == 5)
                lamp5Levels << command.level;
        }
    }
    QVERIFY2(lamp5Levels.contains(200) && lamp5Levels.contains(42),
             qPrintable(QString::number(lamp5Levels.size())));
    QTRY_COMPARE(level(5), QString("42"));

    // The page lists the panel's groups in its order, "Back" first: selecting the second
    // checks exactly the lamps of "Sides" on the panel, and deselecting clears them.
    const auto linked = [&] {
        return script("return [...document.querySelectorAll('[id^=link]:checked')].map(e => e.id)")
            .toArray();
    };
    QVERIFY(driver.click(driver.findElement("#group1")));
    QVERIFY(driver.click(driver.findElement("#select-group")));
    QTRY_COMPARE(linked(), (QJsonArray {"link0", "link2"}));
    QVERIFY(driver.click(driver.findElement("#deselect-all")));
    QTRY_COMPARE(linked(), QJsonArray());

    // The looks' view: the levels now stored as a look; LAMP7 moved away and brought back
    // by a recall with a fade, rising on the line.
    QVERIFY(driver.click(driver.findElement("#looks-tab")));
    QVERIFY(driver.sendKeys(driver.findElement("#look-name"), QStringLiteral("Scene\uE007")));
    QTRY_VERIFY(!driver.findElement("#look0").isEmpty());
    const QByteArray dark = OscDatagram::message("/kelvaris/lamp/7", 'i', 0);
    QCOMPARE(cue.writeDatagram(dark, QHostAddress::LocalHost, oscPort), dark.size());
    QVERIFY(onTheLine(7, 0, LineTimeout));
    QVERIFY(driver.click(driver.findElement("#look0")));
    script("document.getElementById('fade-time').value = '0.5'");
    QVERIFY(driver.click(driver.findElement("#recall-look")));
    QList<int> fade;
    for (const QDeadlineTimer deadline(LineTimeout);
         !fade.contains(42) && !deadline.hasExpired();) {
        for (const auto &command : reader.receive(1, LineTimeout)) {
            if (command.lamp == 7)
                fade << command.level;
        }
    }
    QVERIFY(fade.contains(42));
    QVERIFY(
        std::any_of(fade.cbegin(), fade.cend(), [](int level) { return level > 0 && level < 42; }));
    // Blackout: a short press does nothing, a held one puts every lamp at 0 on the line;
    // one press brings the levels back.
    const auto blackout = [&] {
        return script("return document.body.className").toString();
    };
    QVERIFY(driver.click(driver.findElement("#blackout")));
    QTest::qWait(300);
    QCOMPARE(blackout(), QString());
    const QJsonArray at = script("const r = document.getElementById('blackout')"
                                 ".getBoundingClientRect();"
                                 "return [r.x + r.width / 2, r.y + r.height / 2].map(Math.round);")
                              .toArray();
    QVERIFY(driver.performActions({QJsonObject {
        {"type", "pointer"},
        {"id", "thumb"},
        {"parameters", QJsonObject {{"pointerType", "touch"}}},
        {"actions",
         QJsonArray {QJsonObject {{"type", "pointerMove"}, {"x", at[0]}, {"y", at[1]}},
                     QJsonObject {{"type", "pointerDown"}, {"button", 0}},
                     QJsonObject {{"type", "pause"}, {"duration", 700}},
                     QJsonObject {{"type", "pointerUp"}, {"button", 0}}}}}}));
    QTRY_COMPARE(blackout(), QString("blackout"));
    QVERIFY(onTheLine(7, 0, LineTimeout));
    QCOMPARE(level(7), QString("42"));
    QVERIFY(driver.click(driver.findElement("#blackout")));
    QTRY_COMPARE(blackout(), QString());
    QVERIFY(onTheLine(7, 42, LineTimeout));
    QVERIFY(driver.click(driver.findElement("#faders-tab")));

    // The panel restarts: the page says so, and shows its levels again without a new login.
    QVERIFY(panel.terminate());
    QTRY_COMPARE(script("return document.body.className").toString(), QString("offline"));
    QVERIFY(panel.start());
    QTRY_COMPARE_WITH_TIMEOUT(level(3) + ' ' + level(7), QString("100 42"), BrowserTimeoutMs);
    QVERIFY(driver.findElement("#password").isEmpty());

    // A panel that stops answering shows as a dead link within 4 s, and a drag made
    // meanwhile never reaches the line, not even once the panel runs again.
    const auto pid = pid_t(panel.process().processId());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    QTRY_COMPARE_WITH_TIMEOUT(script("return document.body.className").toString(),
                              QString("offline"), 4000);
    QVERIFY(driver.performActions(WebDriver::drag(center(6), center(6) - QPoint(0, 150))));
    QCOMPARE(::kill(pid, SIGCONT), 0);
    QVERIFY(!onTheLine(6, 100, std::chrono::seconds(2)));
    QTRY_COMPARE_WITH_TIMEOUT(script("return document.body.className").toString(), QString(),
                              BrowserTimeoutMs);

    // Refused: a logged-in browser's WebSocket from another site's page.
    QVERIFY(driver.navigate(QStringLiteral("data:text/html,<title>elsewhere</title>")));
    driver.executeScript(TryWebSocket, {socketUrl});
    QTRY_COMPARE(script("return window.socketFate").toString(), QString("refused"));
}

QTEST_GUILESS_MAIN(tst_WebRemoteBrowser)
#include "tst_webremotebrowser.moc"
