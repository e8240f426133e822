#include "remote/web/websocketframereader.h"

#include <QtTest>

using Reader = WebSocketFrameReader;

namespace {

// A frame as a browser sends it: masked unless told, its length in the shortest form.
QByteArray frame(quint8 first, const QByteArray &payload, bool masked = true)
{
    QByteArray bytes(1, char(first));
    const char maskBit = masked ? char(0x80) : char(0);
    if (payload.size() < 126) {
        bytes += char(maskBit | payload.size());
    } else {
        bytes += char(maskBit | 126);
        bytes += char(payload.size() >> 8);
        bytes += char(payload.size() & 0xff);
    }
    if (!masked)
        return bytes + payload;
    const QByteArray mask = "\x37\xfa\x21\x3d";
    bytes += mask;
    for (qsizetype i = 0; i < payload.size(); ++i)
        bytes += char(payload.at(i) ^ mask.at(i % 4));
    return bytes;
}

QString describe(const QList<Reader::Event> &events, const Reader &reader)
{
    QStringList words;
    for (const auto &event : events)
        words
            << QStringLiteral("%1:%2").arg(int(event.opcode)).arg(QString::fromUtf8(event.payload));
    if (reader.hasFailed())
        words << QString::number(reader.failureCode());
    return words.join(QLatin1Char(' '));
}

} // namespace

class tst_WebSocketFrameReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frames_data();
    void frames();
    void serverFrames();
};

// Events as opcode:payload, then the close code of a failure.
void tst_WebSocketFrameReader::frames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("events");
    const QByteArray big(Reader::MaxMessageBytes, 'x');
    const QList<std::tuple<const char *, QByteArray, QString>> rows = {
        {"text", frame(0x81, "hi"), "1:hi"},
        {"fragments around a ping", frame(0x01, "he") + frame(0x89, "p") + frame(0x80, "llo"),
         "9:p 1:hello"},
        {"at the limit in fragments", frame(0x01, big.left(100)) + frame(0x80, big.mid(100)),
         "1:" + QString(big)},
        {"pong, then close", frame(0x8a, "") + frame(0x88, "\x03\xe8") + frame(0x81, "late"),
         "10: 8:\x03\xe8"},
        {"unmasked", frame(0x81, "hi", false), "1002"},
        {"reserved bit", frame(0xc1, "hi"), "1002"},
        {"unknown opcode", frame(0x83, "hi"), "1002"},
        {"binary", frame(0x82, "hi"), "1003"},
        {"over the limit", frame(0x81, big + 'x'), "1009"},
        {"over the limit in fragments", frame(0x01, big) + frame(0x80, "x"), "1009"},
        {"continuation of nothing", frame(0x80, "hi"), "1002"},
        {"text inside a text", frame(0x01, "a") + frame(0x81, "b"), "1002"},
        {"fragmented ping", frame(0x09, "p"), "1002"},
        {"long ping", frame(0x89, QByteArray(126, 'p')), "1002"},
        {"one-byte close", frame(0x88, "\x03"), "1002"},
        {"broken UTF-8", frame(0x81, "\xc3\x28"), "1007"},
        {"first message kept, second fails", frame(0x81, "a") + frame(0x81, "b", false),
         "1:a 1002"},
    };
    for (const auto &[name, bytes, events] : rows)
        QTest::newRow(name) << bytes << events;
}

// The same events whether the bytes come at once or one by one.
void tst_WebSocketFrameReader::frames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, events);
    Reader whole;
    QCOMPARE(describe(whole.feed(bytes), whole), events);
    Reader bytewise;
    QList<Reader::Event> got;
    for (char byte : bytes)
        got += bytewise.feed(QByteArray(1, byte));
    QCOMPARE(describe(got, bytewise), events);
}

void tst_WebSocketFrameReader::serverFrames()
{
    // The handshake and short frames are checked by every client test; a 64-bit length
    // and a close code are not.
    QCOMPARE(Reader::frame(Reader::Opcode::Text, QByteArray(70000, 'x')).left(10),
             QByteArray("\x81\x7f\0\0\0\0\0\x01\x11\x70", 10));
    QCOMPARE(Reader::closeFrame(Reader::ProtocolError), QByteArray("\x88\x02\x03\xea"));
}

QTEST_APPLESS_MAIN(tst_WebSocketFrameReader)
#include "tst_websocketframereader.moc"
