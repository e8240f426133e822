#include "osc/lampmover.h"
#include "osc/osccommandhandler.h"

#include <QtTest>
#include <cmath>
#include <limits>
#include <lo/lo_lowlevel.h>

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

// One argument of a message: 'i', 'f', 'd', 's' or 'h', with its value.
struct Argument
{
    char type;
    double value;
};

lo_message build(const QList<Argument> &arguments)
{
    lo_message message = lo_message_new();
    for (const Argument &argument : arguments) {
        switch (argument.type) {
        case 'i':
            lo_message_add_int32(message, int32_t(argument.value));
            break;
        case 'f':
            lo_message_add_float(message, float(argument.value));
            break;
        case 'd':
            lo_message_add_double(message, argument.value);
            break;
        case 'h':
            lo_message_add_int64(message, int64_t(argument.value));
            break;
        default:
            lo_message_add_string(message, "200");
        }
    }
    return message;
}

QByteArray message(const char *address, const QList<Argument> &arguments)
{
    lo_message decoded = build(arguments);
    size_t size = 0;
    void *bytes = lo_message_serialise(decoded, address, nullptr, &size);
    QByteArray result(static_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    lo_message_free(decoded);
    return result;
}

QByteArray message(const char *address, char type, double value)
{
    return message(address, {{type, value}});
}

// A bundle made with liblo, its messages in the order given.
QByteArray bundle(const QList<QPair<const char *, Argument>> &messages)
{
    lo_bundle outer = lo_bundle_new(LO_TT_IMMEDIATE);
    for (const auto &[address, argument] : messages)
        lo_bundle_add_message(outer, address, build({argument}));
    size_t size = 0;
    void *bytes = lo_bundle_serialise(outer, nullptr, &size);
    QByteArray result(static_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    lo_bundle_free_recursive(outer);
    return result;
}

// A bundle framed by hand around already encoded elements.
QByteArray frame(const QList<QByteArray> &elements)
{
    QByteArray result = QByteArray("#bundle\0", 8) + QByteArray(7, '\0') + '\1';
    for (const QByteArray &element : elements) {
        char size[4];
        qToBigEndian<qint32>(qint32(element.size()), size);
        result += QByteArray(size, 4) + element;
    }
    return result;
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
};

void tst_OscCommandHandler::datagrams_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("moves");

    const QByteArray lamp3 = message("/kelvaris/lamp/3", 'i', 200);
    QTest::newRow("int") << lamp3 << 8 << "3:200";
    QTest::newRow("int 0") << message("/kelvaris/lamp/0", 'i', 0) << 8 << "0:0";
    QTest::newRow("int 255, last lamp") << message("/kelvaris/lamp/15", 'i', 255) << 16 << "15:255";
    QTest::newRow("float half, to even") << message("/kelvaris/lamp/1", 'f', 0.5) << 8 << "1:128";
    QTest::newRow("float full") << message("/kelvaris/lamp/1", 'f', 1.0) << 8 << "1:255";
    QTest::newRow("all shown lamps") << message("/kelvaris/lamps", 'i', 9) << 3 << "0:9 1:9 2:9";
    QTest::newRow("all shown lamps, float")
        << message("/kelvaris/lamps", 'f', 0.0) << 2 << "0:0 1:0";

    QTest::newRow("lamp at the count") << message("/kelvaris/lamp/8", 'i', 1) << 8 << "";
    QTest::newRow("lamp far beyond") << message("/kelvaris/lamp/99999999999", 'i', 1) << 16 << "";
    QTest::newRow("leading zero") << message("/kelvaris/lamp/03", 'i', 1) << 8 << "";
    QTest::newRow("sign") << message("/kelvaris/lamp/+3", 'i', 1) << 8 << "";
    QTest::newRow("trailing letter") << message("/kelvaris/lamp/3x", 'i', 1) << 8 << "";
    QTest::newRow("trailing slash") << message("/kelvaris/lamp/3/", 'i', 1) << 8 << "";
    QTest::newRow("no lamp") << message("/kelvaris/lamp/", 'i', 1) << 8 << "";
    QTest::newRow("wildcard") << message("/kelvaris/lamp/*", 'i', 1) << 8 << "";
    QTest::newRow("other case") << message("/Kelvaris/lamp/3", 'i', 1) << 8 << "";
    QTest::newRow("unknown address") << message("/kelvaris/lamp", 'i', 1) << 8 << "";
    QTest::newRow("lamps with a suffix") << message("/kelvaris/lampsx", 'i', 1) << 8 << "";

    QTest::newRow("int above 255") << message("/kelvaris/lamp/3", 'i', 256) << 8 << "";
    QTest::newRow("int below 0") << message("/kelvaris/lamp/3", 'i', -1) << 8 << "";
    QTest::newRow("float above 1") << message("/kelvaris/lamp/3", 'f', 1.0001) << 8 << "";
    QTest::newRow("float below 0") << message("/kelvaris/lamp/3", 'f', -0.0001) << 8 << "";
    QTest::newRow("float NaN") << message("/kelvaris/lamp/3", 'f', std::nan("")) << 8 << "";
    QTest::newRow("double") << message("/kelvaris/lamp/3", 'd', 0.5) << 8 << "";
    QTest::newRow("int64") << message("/kelvaris/lamp/3", 'h', 5) << 8 << "";
    QTest::newRow("string") << message("/kelvaris/lamp/3", 's', 0) << 8 << "";
    QTest::newRow("no argument") << message("/kelvaris/lamp/3", {}) << 8 << "";
    QTest::newRow("two arguments") << message("/kelvaris/lamp/3", {{'i', 1}, {'i', 2}}) << 8 << "";

    QTest::newRow("bundle, in order")
        << bundle({{"/kelvaris/lamp/5", {'i', 1}}, {"/kelvaris/lamp/2", {'f', 1.0}}}) << 8
        << "5:1 2:255";
    QTest::newRow("bundle skips what it does not understand")
        << bundle({{"/other", {'i', 1}}, {"/kelvaris/lamp/2", {'i', 7}}}) << 8 << "2:7";
    QTest::newRow("nested bundle") << frame(
        {message("/kelvaris/lamp/1", 'i', 1), frame({lamp3}), message("/kelvaris/lamp/2", 'i', 2)})
                                   << 8 << "1:1 3:200 2:2";
    QTest::newRow("empty bundle") << frame({}) << 8 << "";

    // Malformed anywhere: nothing at all moves.
    QTest::newRow("empty datagram") << QByteArray() << 8 << "";
    QTest::newRow("truncated message") << lamp3.left(lamp3.size() - 4) << 8 << "";
    QTest::newRow("trailing bytes") << lamp3 + QByteArray(4, '\0') << 8 << "";
    QTest::newRow("not whole words") << lamp3 + QByteArray(1, '\0') << 8 << "";
    QTest::newRow("no type tags") << QByteArray("/kelvaris/lamp/3\0\0\0\0", 20) << 8 << "";
    QTest::newRow("text") << QByteArray("set lamp 3 to 200") << 8 << "";
    QTest::newRow("bundle with a bad element")
        << frame({message("/kelvaris/lamp/1", 'i', 1), lamp3.left(lamp3.size() - 4)}) << 8 << "";
    QTest::newRow("bundle element size beyond the end")
        << frame({lamp3}).left(16 + 4 + lamp3.size() - 4) << 8 << "";
    QTest::newRow("bundle with a zero-sized element")
        << frame({lamp3}) + QByteArray(4, '\0') << 8 << "";
    QTest::newRow("bundle header cut short") << QByteArray("#bundle\0\0\0\0\0", 12) << 8 << "";
    QTest::newRow("bundle element neither message nor bundle")
        << frame({lamp3, QByteArray("xyz\0", 4)}) << 8 << "";
    QByteArray deep = lamp3;
    for (int depth = 0; depth <= OscCommandHandler::MaxBundleDepth; ++depth)
        deep = frame({deep});
    QTest::newRow("bundles nested too deep") << deep << 8 << "";
}

void tst_OscCommandHandler::datagrams()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, count);
    QFETCH(QString, moves);

    RecordingMover mover(count);
    OscCommandHandler handler(mover);
    handler.handleDatagram(datagram);
    QCOMPARE(mover.moves.join(QLatin1Char(' ')), moves);
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
