#include "lamps/commandport.h"
#include "lamps/deskmodel.h"
#include "lamps/refreshcycle.h"

#include <QtTest>

namespace {

class RecordingPort final : public CommandPort
{
public:
    bool open = true;
    QList<QByteArray> writes;

    bool isOpen() const override { return open; }
    void write(const QByteArray &command) override { writes.append(command); }
};

// Lamp indexes of the commands written, as hex digits: "123" for L1.., L2.., L3...
QByteArray lampsOf(const QList<QByteArray> &writes)
{
    QByteArray lamps;
    for (const QByteArray &command : writes)
        lamps.append(command.at(1));
    return lamps;
}

struct Rig
{
    DeskModel desk;
    RecordingPort port;
    RefreshCycle cycle {desk, port};

    // 0: before the first layout, when the desk shows no lamp.
    explicit Rig(int count)
    {
        if (count > 0)
            desk.setLampCount(count);
    }

    QByteArray tick()
    {
        port.writes.clear();
        cycle.tick();
        return lampsOf(port.writes);
    }
};

} // namespace

class tst_RefreshCycle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rotation_data();
    void rotation();
    void changedLampIsSentOnceOnTheNextTick();
    void dirtyAndDueIsSentOnce();
    void dirtyLampsGoInAscendingOrder();
    void closedPortSendsNothingAndClearsMarks();
    void markingAllSendsEveryLevelOnTheNextTick();
    void marksBeyondTheCountWaitForIt();
    void loweredCountWrapsTheRotation();
    void eachCommandIsOneWrite();
};

void tst_RefreshCycle::rotation_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("lampsPerTick");

    QTest::newRow("four lamps start at lamp 1") << 4 << QByteArray("123012301");
    QTest::newRow("one lamp every tick") << 1 << QByteArray("0000");
    QTest::newRow("sixteen lamps") << 16 << QByteArray("123456789ABCDEF01");
    QTest::newRow("no lamps") << 0 << QByteArray("");
}

void tst_RefreshCycle::rotation()
{
    QFETCH(int, count);
    QFETCH(QByteArray, lampsPerTick);

    Rig rig(count);
    QByteArray seen;
    const int ticks = qMax(int(lampsPerTick.size()), 4);
    for (int t = 0; t < ticks; ++t) {
        const QByteArray sent = rig.tick();
        QVERIFY2(sent.size() == (count > 0 ? 1 : 0), sent.constData());
        seen += sent;
    }
    QCOMPARE(seen, lampsPerTick.left(seen.size()));
}

void tst_RefreshCycle::changedLampIsSentOnceOnTheNextTick()
{
    Rig rig(8);
    rig.desk.moveLamp(3, 5);

    rig.port.writes.clear();
    rig.cycle.tick();
    QCOMPARE(rig.port.writes, (QList<QByteArray> {"L100\r", "L305\r"}));

    QCOMPARE(rig.tick(), QByteArray("2"));
    QVERIFY(!rig.desk.isDue(3));
}

void tst_RefreshCycle::dirtyAndDueIsSentOnce()
{
    Rig rig(4);
    rig.desk.moveLamp(1, 255);
    QCOMPARE(rig.tick(), QByteArray("1"));
    QCOMPARE(rig.port.writes.first(), QByteArray("L1FF\r"));
}

void tst_RefreshCycle::dirtyLampsGoInAscendingOrder()
{
    Rig rig(16);
    for (int lamp : {14, 2, 9, 0})
        rig.desk.moveLamp(lamp, 155);
    QCOMPARE(rig.tick(), QByteArray("0129E"));
}

void tst_RefreshCycle::closedPortSendsNothingAndClearsMarks()
{
    Rig rig(8);
    rig.port.open = false;
    rig.desk.moveLamp(5, 255);

    QCOMPARE(rig.tick(), QByteArray());
    QVERIFY(!rig.desk.isDue(5));

    // Once the port is open the level goes out with the rotation only.
    rig.port.open = true;
    QCOMPARE(rig.tick(), QByteArray("2"));
}

void tst_RefreshCycle::markingAllSendsEveryLevelOnTheNextTick()
{
    // Levels changed while the port was closed are lost to the controller until the
    // port opens again and every installed lamp is marked.
    Rig rig(6);
    rig.port.open = false;
    rig.desk.moveLamp(4, 200);
    rig.desk.moveLamp(1, 5);
    for (int t = 0; t < 3; ++t)
        QCOMPARE(rig.tick(), QByteArray());

    rig.port.open = true;
    rig.desk.putAllDue();
    rig.port.writes.clear();
    rig.cycle.tick();
    QCOMPARE(rig.port.writes,
             (QList<QByteArray> {"L000\r", "L105\r", "L200\r", "L300\r", "L4C8\r", "L500\r"}));

    // The rotation goes on where it was: lamp 4 was due in that tick, lamp 5 is next.
    QCOMPARE(rig.tick(), QByteArray("5"));
    QCOMPARE(rig.tick(), QByteArray("0"));
}

void tst_RefreshCycle::marksBeyondTheCountWaitForIt()
{
    Rig rig(12);
    rig.desk.moveLamp(10, 255);
    rig.desk.setLampCount(5);

    for (int t = 0; t < 6; ++t)
        QVERIFY(!rig.tick().contains('A'));
    QVERIFY(rig.desk.isDue(10));

    rig.desk.setLampCount(12);
    QVERIFY(rig.tick().contains('A'));
    QVERIFY(!rig.desk.isDue(10));
}

void tst_RefreshCycle::loweredCountWrapsTheRotation()
{
    Rig rig(16);
    for (int t = 0; t < 9; ++t)
        rig.tick();
    QCOMPARE(rig.tick(), QByteArray("A"));

    rig.desk.setLampCount(4);
    QCOMPARE(rig.tick(), QByteArray("0"));
    QCOMPARE(rig.tick(), QByteArray("1"));
}

void tst_RefreshCycle::eachCommandIsOneWrite()
{
    Rig rig(16);
    for (int lamp = 0; lamp < 16; ++lamp)
        rig.desk.moveLamp(lamp, 255 - lamp);
    rig.cycle.tick();
    QCOMPARE(rig.port.writes.size(), 16);
    for (const QByteArray &command : rig.port.writes)
        QCOMPARE(command.size(), 5);
}

QTEST_GUILESS_MAIN(tst_RefreshCycle)
#include "tst_refreshcycle.moc"
