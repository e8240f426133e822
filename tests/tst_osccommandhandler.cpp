#include "fakeremotepanel.h"
#include "oscdatagram.h"
#include "remote/osc/osccommandhandler.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

// Records the moves it is asked for, as "lamp:level" words.
class RecordingMover final : public LampMover
{
public:
    explicit RecordingMover(int count) : m_count(count) { }
    int lampCount() const override { return m_count; }
    void moveLamp(int lamp, int level) override
    {
        moves.append(QStringLiteral("%1:%2").arg(lamp).arg(level));
    }
    QStringList moves;

private:
    int m_count;
};

OscDatagram::Argument text(const char *text)
{
    return OscDatagram::Argument::string(text);
}

} // namespace

class tst_OscCommandHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void datagrams_data();
    void datagrams();
    void fractions_data();
    void fractions();
    void looks_data();
    void looks();
};

void tst_OscCommandHandler::datagrams_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("moves");

    // A datagram that moves nothing with eight lamps shown.
    const auto none = [](const char *name, const QByteArray &datagram) {
        QTest::newRow(name) << datagram << 8 << "";
    };
    const QByteArray lamp3 = OscDatagram::message("/kelvaris/lamp/3", 'i', 200);
    QTest::newRow("int") << lamp3 << 8 << "3:200";
    QTest::newRow("int 0") << OscDatagram::message("/kelvaris/lamp/0", 'i', 0) << 8 << "0:0";
    QTest::newRow("int 255, last lamp")
        << OscDatagram::message("/kelvaris/lamp/15", 'i', 255) << 16 << "15:255";
    QTest::newRow("float half, to even")
        << OscDatagram::message("/kelvaris/lamp/1", 'f', 0.5) << 8 << "1:128";
    QTest::newRow("float full") << OscDatagram::message("/kelvaris/lamp/1", 'f', 1.0) << 8
                                << "1:255";
    QTest::newRow("all shown lamps")
        << OscDatagram::message("/kelvaris/lamps", 'i', 9) << 3 << "0:9 1:9 2:9";
    QTest::newRow("all shown lamps, float")
        << OscDatagram::message("/kelvaris/lamps", 'f', 0.0) << 2 << "0:0 1:0";
    none("lamp at the count", OscDatagram::message("/kelvaris/lamp/8", 'i', 1));
    QTest::newRow("lamp far beyond")
        << OscDatagram::message("/kelvaris/lamp/99999999999", 'i', 1) << 16 << "";
    none("leading zero", OscDatagram::message("/kelvaris/lamp/03", 'i', 1));
    none("sign", OscDatagram::message("/kelvaris/lamp/+3", 'i', 1));
    none("trailing letter", OscDatagram::message("/kelvaris/lamp/3x", 'i', 1));
    none("trailing slash", OscDatagram::message("/kelvaris/lamp/3/", 'i', 1));
    none("no lamp", OscDatagram::message("/kelvaris/lamp/", 'i', 1));
    none("wildcard", OscDatagram::message("/kelvaris/lamp/*", 'i', 1));
    none("other case", OscDatagram::message("/Kelvaris/lamp/3", 'i', 1));
    none("unknown address", OscDatagram::message("/kelvaris/lamp", 'i', 1));
    none("lamps with a suffix", OscDatagram::message("/kelvaris/lampsx", 'i', 1));
    none("int above 255", OscDatagram::message("/kelvaris/lamp/3", 'i', 256));
    none("int below 0", OscDatagram::message("/kelvaris/lamp/3", 'i', -1));
    none("float above 1", OscDatagram::message("/kelvaris/lamp/3", 'f', 1.0001));
    none("float below 0", OscDatagram::message("/kelvaris/lamp/3", 'f', -0.0001));
    none("float NaN", OscDatagram::message("/kelvaris/lamp/3", 'f', std::nan("")));
    none("double", OscDatagram::message("/kelvaris/lamp/3", 'd', 0.5));
    none("int64", OscDatagram::message("/kelvaris/lamp/3", 'h', 5));
    none("string", OscDatagram::message("/kelvaris/lamp/3", 's', 0));
    none("no argument", OscDatagram::message("/kelvaris/lamp/3", {}));
    none("two arguments", OscDatagram::message("/kelvaris/lamp/3", {{'i', 1}, {'i', 2}}));

    QTest::newRow("bundle, in order")
        << OscDatagram::bundle({{"/kelvaris/lamp/5", {'i', 1}}, {"/kelvaris/lamp/2", {'f', 1.0}}})
        << 8 << "5:1 2:255";
    QTest::newRow("bundle skips what it does not understand")
        << OscDatagram::bundle({{"/other", {'i', 1}}, {"/kelvaris/lamp/2", {'i', 7}}}) << 8
        << "2:7";
    QTest::newRow("nested bundle") << OscDatagram::frame(
        {OscDatagram::message("/kelvaris/lamp/1", 'i', 1), OscDatagram::frame({lamp3}),
         OscDatagram::message("/kelvaris/lamp/2", 'i', 2)})
                                   << 8 << "1:1 3:200 2:2";
    none("empty bundle", OscDatagram::frame({}));

    // Malformed anywhere: nothing at all moves.
    QTest::newRow("empty datagram") << QByteArray() << 8 << "";
    none("truncated message", lamp3.left(lamp3.size() - 4));
    none("trailing bytes", lamp3 + QByteArray(4, '\0'));
    none("not whole words", lamp3 + QByteArray(1, '\0'));
    none("no type tags", QByteArray("/kelvaris/lamp/3\0\0\0\0", 20));
    none("text", QByteArray("set lamp 3 to 200"));
    none("bundle with a bad element",
         OscDatagram::frame(
             {OscDatagram::message("/kelvaris/lamp/1", 'i', 1), lamp3.left(lamp3.size() - 4)}));
    none("bundle element size beyond the end",
         OscDatagram::frame({lamp3}).left(16 + 4 + lamp3.size() - 4));
    none("bundle with a zero-sized element", OscDatagram::frame({lamp3}) + QByteArray(4, '\0'));
    none("bundle header cut short", QByteArray("#bundle\0\0\0\0\0", 12));
    none("bundle element neither message nor bundle",
         OscDatagram::frame({lamp3, QByteArray("xyz\0", 4)}));
    QByteArray deep = lamp3;
    for (int depth = 0; depth <= OscCommandHandler::MaxBundleDepth; ++depth)
        deep = OscDatagram::frame({deep});
    none("bundles nested too deep", deep);
}

void tst_OscCommandHandler::datagrams()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, count);
    QFETCH(QString, moves);

    RecordingMover mover(count);
    FakeRemotePanel looks;
    OscCommandHandler handler(mover, looks);
    handler.handleDatagram(datagram);
    QCOMPARE(mover.moves.join(QLatin1Char(' ')), moves);
}

void tst_OscCommandHandler::looks_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("calls");

    const auto row = [](const char *name, const QByteArray &address,
                        const QList<OscDatagram::Argument> &arguments, const char *calls) {
        QTest::newRow(name) << OscDatagram::message(address, arguments) << QString(calls);
    };
    const QByteArray recall("/kelvaris/look/recall");
    row("recall by name", recall, {text("Warm")}, "recall Warm default");
    row("recall by name with a fade", recall, {text("Warm"), {'f', 2.5}}, "recall Warm 2.5");
    row("recall by number, stored order", recall, {{'i', 3}, {'i', 0}}, "recall Cold 0");
    row("recall number 0", recall, {{'i', 0}}, "");
    row("recall a number that holds no look", recall, {{'i', 2}}, "");
    row("recall number beyond", recall, {{'i', 4}}, "");
    row("recall with a float look", recall, {{'f', 1}}, "");
    row("recall with a string fade", recall, {text("Warm"), text("2")}, "");
    row("store", "/kelvaris/look/store", {text("Night")}, "store Night");
    row("blackout on", "/kelvaris/blackout", {{'i', 1}}, "blackout 1");
    row("blackout off, float", "/kelvaris/blackout", {{'f', 0.0}}, "blackout 0");
    row("blackout 2", "/kelvaris/blackout", {{'i', 2}}, "");
    row("blackout half", "/kelvaris/blackout", {{'f', 0.5}}, "");
}

void tst_OscCommandHandler::looks()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, calls);

    RecordingMover mover(8);
    FakeRemotePanel looks;
    OscCommandHandler handler(mover, looks);
    handler.handleDatagram(datagram);
    QCOMPARE(looks.calls.join(QLatin1Char(',')), calls);
}

void tst_OscCommandHandler::fractions_data()
{
    QTest::addColumn<float>("fraction");
    QTest::addColumn<int>("level"); // -1: ignored

    QTest::newRow("zero") << 0.0F << 0;
    QTest::newRow("negative zero") << -0.0F << 0;
    QTest::newRow("full") << 1.0F << 255;
    QTest::newRow("half is 127.5, to even") << 0.5F << 128;
    QTest::newRow("just below a half step") << std::nextafter(0.5F, 0.0F) << 127;
    QTest::newRow("quarter is 63.75") << 0.25F << 64;
    QTest::newRow("one level") << 1.0F / 255.0F << 1;
    QTest::newRow("above full") << std::nextafter(1.0F, 2.0F) << -1;
    QTest::newRow("below zero") << -std::numeric_limits<float>::denorm_min() << -1;
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << -1;
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << -1;
}

void tst_OscCommandHandler::fractions()
{
    QFETCH(float, fraction);
    QFETCH(int, level);

    QCOMPARE(OscCommandHandler::levelFromFraction(fraction).value_or(-1), level);
}

QTEST_GUILESS_MAIN(tst_OscCommandHandler)
#include "tst_osccommandhandler.moc"
