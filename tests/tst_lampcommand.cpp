#include "lamps/lampcommand.h"

#include <QtTest>

class tst_LampCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encode_data();
    void encode();
    void everyCommandIsWellFormed();
};

void tst_LampCommand::encode_data()
{
    QTest::addColumn<int>("lamp");
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("lamp 0 off") << 0 << 0 << QByteArray("L000\r");
    QTest::newRow("lamp 10 at 200") << 10 << 200 << QByteArray("LAC8\r");
    QTest::newRow("lamp 15 full") << 15 << 255 << QByteArray("LFFF\r");
    QTest::newRow("lamp 3 at 5 keeps two digits") << 3 << 5 << QByteArray("L305\r");
    QTest::newRow("lamp 9 at 16") << 9 << 16 << QByteArray("L910\r");
    QTest::newRow("lamp 11 at 171") << 11 << 171 << QByteArray("LBAB\r");
}

void tst_LampCommand::encode()
{
    QFETCH(int, lamp);
    QFETCH(int, level);
    QFETCH(QByteArray, command);

    QCOMPARE(LampCommand::encode(lamp, level), command);
}

void tst_LampCommand::everyCommandIsWellFormed()
{
    const QByteArray hex("0123456789ABCDEF");
    for (int lamp = 0; lamp < 16; ++lamp) {
        for (int level = 0; level <= 255; ++level) {
            const QByteArray command = LampCommand::encode(lamp, level);
            QCOMPARE(command.size(), LampCommand::Size);
            QCOMPARE(command.at(0), 'L');
            QCOMPARE(hex.indexOf(command.at(1)), lamp);
            QCOMPARE(hex.indexOf(command.at(2)) * 16 + hex.indexOf(command.at(3)), level);
            QCOMPARE(command.at(4), '\r');
        }
    }
}

QTEST_GUILESS_MAIN(tst_LampCommand)
#include "tst_lampcommand.moc"
