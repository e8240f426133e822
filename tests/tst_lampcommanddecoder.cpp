#include "lamps/lampcommand.h"
#include "monitor/lampcommanddecoder.h"

#include <QtTest>

#include <algorithm>

using Event = LampCommandDecoder::Event;

namespace {
constexpr int LongGarbageRun = 100000;

QString describe(const Event &event)
{
    if (event.kind == Event::Kind::Command)
        return QStringLiteral("L%1 %2").arg(event.lamp).arg(event.level);
    return QStringLiteral("BAD %1").arg(event.malformedBytes);
}

QStringList describe(const QVector<Event> &events)
{
    QStringList lines;
    for (const Event &event : events)
        lines.append(describe(event));
    return lines;
}

// Feeds the chunks in order, then flushes as when the line goes quiet. The bad bytes
// reported, put back between the commands, must give the stream again; a line saying
// otherwise is added to the result.
QStringList decodeChunks(const QList<QByteArray> &chunks)
{
    LampCommandDecoder decoder;
    QVector<Event> events;
    QByteArray stream;
    for (const QByteArray &chunk : chunks) {
        events += decoder.feed(chunk);
        stream += chunk;
    }
    events += decoder.flush();

    QStringList lines = describe(events);
    QByteArray replayed;
    for (const Event &event : events) {
        if (event.kind == Event::Kind::Command) {
            replayed += LampCommand::encode(event.lamp, event.level);
            continue;
        }
        const QByteArray &kept = event.badBytes;
        if (kept.size()
            != std::min<qint64>(event.malformedBytes, LampCommandDecoder::MaxKeptBadBytes)) {
            lines.append(QStringLiteral("kept %1 of %2 bad bytes")
                             .arg(kept.size())
                             .arg(event.malformedBytes));
            return lines;
        }
        // The long runs repeat one byte, so the last one kept stands for the rest.
        replayed += kept + QByteArray(event.malformedBytes - kept.size(), kept.back());
    }
    if (replayed != stream)
        lines.append(QStringLiteral("bad bytes kept: ")
                     + QString::fromLatin1(replayed.toPercentEncoding()));
    return lines;
}
} // namespace

class tst_LampCommandDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesInAnyChunking_data();
    void decodesInAnyChunking();
    void holdsBackUntilACommandOrTheLineGoesQuiet();
    void decodesEveryCommandThePanelEncodes();
};

void tst_LampCommandDecoder::decodesInAnyChunking_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");

    const auto bytes = [](const char *text) {
        return QByteArray(text);
    };
    const auto lines = [](std::initializer_list<const char *> items) {
        QStringList list;
        for (const char *item : items)
            list.append(QString::fromLatin1(item));
        return list;
    };

    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("lamp 3 level 200") << bytes("L3C8\r") << lines({"L3 200"});
    QTest::newRow("lamp 0 off") << bytes("L000\r") << lines({"L0 0"});
    QTest::newRow("lamp 15 full") << bytes("LFFF\r") << lines({"L15 255"});
    QTest::newRow("lamp 10 as letter A") << bytes("LAC8\r") << lines({"L10 200"});
    QTest::newRow("level 5 keeps two digits") << bytes("L305\r") << lines({"L3 5"});
    QTest::newRow("back to back") << bytes("L3C8\rL000\rLFFF\r")
                                  << lines({"L3 200", "L0 0", "L15 255"});
    QTest::newRow("lower-case level digits") << bytes("L3c8\rL305\r") << lines({"BAD 5", "L3 5"});
    QTest::newRow("lower-case lamp digit") << bytes("Lac8\r") << lines({"BAD 5"});
    QTest::newRow("lower-case l") << bytes("l3C8\rL305\r") << lines({"BAD 5", "L3 5"});
    QTest::newRow("lamp digit G") << bytes("LG00\rL305\r") << lines({"BAD 5", "L3 5"});
    QTest::newRow("missing carriage return") << bytes("L3C8L305\r") << lines({"BAD 4", "L3 5"});
    QTest::newRow("line feed for carriage return")
        << bytes("L3C8\nL305\r") << lines({"BAD 5", "L3 5"});
    QTest::newRow("carriage return after one level digit")
        << bytes("L3C\rL305\r") << lines({"BAD 4", "L3 5"});
    QTest::newRow("carriage return after lamp digit")
        << bytes("L3\rL305\r") << lines({"BAD 3", "L3 5"});
    QTest::newRow("carriage return right after L")
        << bytes("L\rL305\r") << lines({"BAD 2", "L3 5"});
    QTest::newRow("three level digits") << bytes("L3C80\rL305\r") << lines({"BAD 6", "L3 5"});
    QTest::newRow("garbage then resync") << bytes("xyz\x01L3C8\r") << lines({"BAD 4", "L3 200"});
    QTest::newRow("stray L inside garbage") << bytes("abLcdL3C8\r") << lines({"BAD 5", "L3 200"});
    QTest::newRow("doubled L") << bytes("LL3C8\r") << lines({"BAD 1", "L3 200"});
    QTest::newRow("L with digits inside garbage")
        << bytes("zL3CzL3C8\r") << lines({"BAD 5", "L3 200"});
    QTest::newRow("bytes with the high bit set")
        << QByteArray("\xff\xccL3\xc8\rL000\r") << lines({"BAD 6", "L0 0"});
    QTest::newRow("NUL bytes") << QByteArray("\0\0L000\r\0", 8)
                               << lines({"BAD 2", "L0 0", "BAD 1"});
    QTest::newRow("stray carriage return between commands")
        << bytes("L3C8\r\rL000\r") << lines({"L3 200", "BAD 1", "L0 0"});
    QTest::newRow("unfinished command at the end")
        << bytes("L3C8\rL3C") << lines({"L3 200", "BAD 3"});
    QTest::newRow("garbage at the end") << bytes("L3C8\rxy") << lines({"L3 200", "BAD 2"});
    QTest::newRow("long run of garbage")
        << QByteArray(LongGarbageRun, '?') + "L100\r" << lines({"BAD 100000", "L1 0"});
    QTest::newRow("bad run reported before the command that ends it")
        << bytes("L1FFxxLB80\rL200\r#") << lines({"BAD 6", "L11 128", "L2 0", "BAD 1"});
    QTest::newRow("tail of a command without its start")
        << bytes("C8\rL305\r") << lines({"BAD 3", "L3 5"});
    QTest::newRow("long run of L")
        << QByteArray(LongGarbageRun, 'L') + "100\r" << lines({"BAD 99999", "L1 0"});
}

// A run of bad bytes is reported once whatever the chunking, so every split of the
// stream gives the same result: whole, byte by byte, and in two at every boundary.
void tst_LampCommandDecoder::decodesInAnyChunking()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);

    QCOMPARE(decodeChunks({input}), expected);

    // Byte by byte is slow for the long rows and tells nothing the short rows do not.
    if (input.size() < LongGarbageRun) {
        QList<QByteArray> single;
        for (const char byte : input)
            single.append(QByteArray(1, byte));
        QCOMPARE(decodeChunks(single), expected);

        for (qsizetype split = 1; split < input.size(); ++split) {
            const QStringList decoded = decodeChunks({input.left(split), input.mid(split)});
            if (decoded != expected)
                QFAIL(qPrintable(QStringLiteral("split at %1: got [%2]")
                                     .arg(split)
                                     .arg(decoded.join(QStringLiteral(", ")))));
        }
    }
}

void tst_LampCommandDecoder::holdsBackUntilACommandOrTheLineGoesQuiet()
{
    LampCommandDecoder decoder;
    QVERIFY(decoder.feed("L3C").isEmpty());
    QCOMPARE(describe(decoder.feed("8\r")), QStringList {QStringLiteral("L3 200")});
    QVERIFY(decoder.flush().isEmpty());

    QVERIFY(decoder.feed("xyz").isEmpty());
    QCOMPARE(describe(decoder.flush()), QStringList {QStringLiteral("BAD 3")});
    // Reported once only.
    QVERIFY(decoder.flush().isEmpty());
    QCOMPARE(describe(decoder.feed("qL000\r")),
             (QStringList {QStringLiteral("BAD 1"), QStringLiteral("L0 0")}));
}

// The panel's own encoder is the other end of the line: every lamp at every level it
// can send must come back unchanged, in one stream.
void tst_LampCommandDecoder::decodesEveryCommandThePanelEncodes()
{
    QByteArray stream;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        for (int level = 0; level <= LampCommand::MaxLevel; ++level)
            stream += LampCommand::encode(lamp, level);
    }

    LampCommandDecoder decoder;
    const QVector<Event> events = decoder.feed(stream);
    QCOMPARE(int(events.size()), LampCommand::MaxLamps * (LampCommand::MaxLevel + 1));
    int index = 0;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        for (int level = 0; level <= LampCommand::MaxLevel; ++level) {
            if (!(events.at(index) == Event::command(lamp, level)))
                QFAIL(qPrintable(QStringLiteral("lamp %1 level %2 decoded as %3")
                                     .arg(lamp)
                                     .arg(level)
                                     .arg(describe(events.at(index)))));
            ++index;
        }
    }
    QVERIFY(decoder.flush().isEmpty());
}

QTEST_GUILESS_MAIN(tst_LampCommandDecoder)
#include "tst_lampcommanddecoder.moc"
