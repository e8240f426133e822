#include "fakeremotepanel.h"
#include "remote/web/remotemessagehandler.h"

#include <QtTest>

using namespace std::chrono_literals;

class tst_RemoteMessageHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messages_data();
    void messages();
    void fastMovesKeepTheNewest();
};

void tst_RemoteMessageHandler::messages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("calls");
    const auto row = [](const char *name, const char *message, const char *calls) {
        QTest::newRow(name) << QByteArray(message) << QString(calls);
    };
    row("first lamp, off", R"({"type":"move","lamp":0,"level":0})", "move 0 0");
    row("last lamp, full", R"({"level":255,"lamp":7,"type":"move","extra":1})", "move 7 255");
    row("link on", R"({"type":"link","lamp":2,"linked":true})", "link 2 1");
    row("link off", R"({"type":"link","lamp":2,"linked":false})", "link 2 0");
    row("deselect all", R"({"type":"deselectAll"})", "deselect");
    row("heartbeat", R"({"type":"ping"})", "");
    row("recall", R"({"type":"recall","index":1,"name":"Warm","fade":2.5})", "recall Warm 2.5");
    row("recall, default fade", R"({"type":"recall","index":0,"name":"Cold"})",
        "recall Cold default");
    row("store", R"({"type":"store","name":"Night"})", "store Night");
    row("blackout on", R"({"type":"blackout","on":true})", "blackout 1");
    row("blackout off", R"({"type":"blackout","on":false})", "blackout 0");
    // Refused: not JSON, an unknown type, a lamp or level out of range, not whole or not
    // a number, a link not a bool, a group no longer where the page saw it.
    for (const char *refused :
         {"move 3 200", R"({"type":"moveAll","level":1})", R"({"type":"move","lamp":8,"level":1})",
          R"({"type":"move","lamp":-1,"level":1})", R"({"type":"move","lamp":2.5,"level":1})",
          R"({"type":"move","lamp":"3","level":1})", R"({"type":"move","lamp":1e300,"level":1})",
          R"({"type":"move","lamp":3,"level":256})", R"({"type":"move","lamp":3})",
          R"({"type":"link","lamp":2,"linked":1})", R"({"type":"link","lamp":9,"linked":true})",
          R"({"type":"selectGroup","index":1,"name":"Front"})",
          R"({"type":"selectGroup","index":2,"name":"Back"})",
          R"({"type":"recall","index":0,"name":"Warm"})", R"({"type":"recall","index":1})",
          R"({"type":"recall","index":1,"name":"Warm","fade":"2"})", R"({"type":"store","name":3})",
          R"({"type":"blackout","on":1})"})
        QTest::newRow(refused) << QByteArray(refused) << QString();
}

void tst_RemoteMessageHandler::messages()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, calls);
    FakeRemotePanel panel;
    RemoteMessageHandler handler(panel);
    // Only the heartbeat is answered.
    const QByteArray answer = handler.handleMessage(message, 1s);
    QCOMPARE(answer, message == R"({"type":"ping"})" ? R"({"type":"pong"})" : QByteArray());
    handler.applyDueMove(2s);
    QCOMPARE(panel.calls.join(QLatin1Char(',')), calls);
}

// Three moves within one interval: the first at once, the last when the interval is up.
void tst_RemoteMessageHandler::fastMovesKeepTheNewest()
{
    FakeRemotePanel panel;
    RemoteMessageHandler handler(panel);
    const auto due = 1s + 1ms + RemoteMessageHandler::MoveInterval;
    for (int level = 1; level <= 3; ++level)
        handler.handleMessage(
            QStringLiteral(R"({"type":"move","lamp":1,"level":%1})").arg(level).toUtf8(),
            1s + level * 1ms);
    QCOMPARE(panel.calls, QStringList {"move 1 1"});
    QCOMPARE(handler.nextMoveDue(), std::optional(due));
    handler.applyDueMove(due - 1ns);
    QCOMPARE(panel.calls.size(), 1);
    handler.applyDueMove(due);
    QCOMPARE(panel.calls, (QStringList {"move 1 1", "move 1 3"}));
    QCOMPARE(handler.nextMoveDue(), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_RemoteMessageHandler)
#include "tst_remotemessagehandler.moc"
