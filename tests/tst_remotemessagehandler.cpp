#include "fakeremotepanel.h"
#include "osc/web/remotemessagehandler.h"

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

    QTest::newRow("move") << QByteArray(R"({"type":"move","lamp":3,"level":200})") << "move 3 200";
    QTest::newRow("move first lamp, off")
        << QByteArray(R"({"type":"move","lamp":0,"level":0})") << "move 0 0";
    QTest::newRow("move last shown lamp, full")
        << QByteArray(R"({"level":255,"lamp":7,"type":"move","extra":1})") << "move 7 255";
    QTest::newRow("move 3.0 is 3")
        << QByteArray(R"({"type":"move","lamp":3.0,"level":9})") << "move 3 9";
    QTest::newRow("link on") << QByteArray(R"({"type":"link","lamp":2,"linked":true})")
                             << "link 2 1";
    QTest::newRow("link off") << QByteArray(R"({"type":"link","lamp":2,"linked":false})")
                              << "link 2 0";
    QTest::newRow("select group") << QByteArray(R"({"type":"selectGroup","index":1,"name":"Back"})")
                                  << "select 1";
    QTest::newRow("deselect all") << QByteArray(R"({"type":"deselectAll"})") << "deselect";

    QTest::newRow("not JSON") << QByteArray("move 3 200") << "";
    QTest::newRow("truncated") << QByteArray(R"({"type":"move","lamp":3,"level":2)") << "";
    QTest::newRow("array") << QByteArray(R"(["move",3,200])") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("unknown type") << QByteArray(R"({"type":"moveAll","level":1})") << "";
    QTest::newRow("no type") << QByteArray(R"({"lamp":3,"level":1})") << "";
    QTest::newRow("lamp at the count") << QByteArray(R"({"type":"move","lamp":8,"level":1})") << "";
    QTest::newRow("lamp hidden") << QByteArray(R"({"type":"move","lamp":15,"level":1})") << "";
    QTest::newRow("lamp negative") << QByteArray(R"({"type":"move","lamp":-1,"level":1})") << "";
    QTest::newRow("lamp fraction") << QByteArray(R"({"type":"move","lamp":2.5,"level":1})") << "";
    QTest::newRow("lamp as text") << QByteArray(R"({"type":"move","lamp":"3","level":1})") << "";
    QTest::newRow("lamp huge") << QByteArray(R"({"type":"move","lamp":1e300,"level":1})") << "";
    QTest::newRow("level 256") << QByteArray(R"({"type":"move","lamp":3,"level":256})") << "";
    QTest::newRow("level negative") << QByteArray(R"({"type":"move","lamp":3,"level":-1})") << "";
    QTest::newRow("level true") << QByteArray(R"({"type":"move","lamp":3,"level":true})") << "";
    QTest::newRow("level missing") << QByteArray(R"({"type":"move","lamp":3})") << "";
    QTest::newRow("link not a bool") << QByteArray(R"({"type":"link","lamp":2,"linked":1})") << "";
    QTest::newRow("link hidden lamp")
        << QByteArray(R"({"type":"link","lamp":9,"linked":true})") << "";
    QTest::newRow("group name differs")
        << QByteArray(R"({"type":"selectGroup","index":1,"name":"Front"})") << "";
    QTest::newRow("group beyond the list")
        << QByteArray(R"({"type":"selectGroup","index":2,"name":"Back"})") << "";
    QTest::newRow("group without a name")
        << QByteArray(R"({"type":"selectGroup","index":0})") << "";
}

void tst_RemoteMessageHandler::messages()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, calls);

    FakeRemotePanel panel;
    RemoteMessageHandler handler(panel);
    handler.handleMessage(message, 1s);
    handler.applyDueMove(2s);
    QCOMPARE(panel.calls.join(QLatin1Char(',')), calls);
}

void tst_RemoteMessageHandler::fastMovesKeepTheNewest()
{
    FakeRemotePanel panel;
    RemoteMessageHandler handler(panel);
    const auto start = 1s;
    const auto step = RemoteMessageHandler::MoveInterval;

    for (int level = 1; level <= 3; ++level)
        handler.handleMessage(
            QStringLiteral(R"({"type":"move","lamp":1,"level":%1})").arg(level).toUtf8(),
            start + level * 1ms);
    QCOMPARE(panel.calls, QStringList {"move 1 1"});
    QCOMPARE(handler.nextMoveDue(), std::optional(start + 1ms + step));

    handler.applyDueMove(start + step);
    QCOMPARE(panel.calls.size(), 1);
    handler.applyDueMove(start + 1ms + step);
    QCOMPARE(panel.calls, (QStringList {"move 1 1", "move 1 3"}));
    QCOMPARE(handler.nextMoveDue(), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_RemoteMessageHandler)
#include "tst_remotemessagehandler.moc"
