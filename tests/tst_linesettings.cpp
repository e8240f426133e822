#include "serial/linesettings.h"

#include <QtTest>

class tst_LineSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesValidText_data();
    void parsesValidText();
    void rejectsInvalidText_data();
    void rejectsInvalidText();
};

void tst_LineSettings::parsesValidText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("baudRate");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");

    QTest::newRow("lamp controller line")
        << QStringLiteral("9600,N,8,1") << 9600 << QSerialPort::NoParity << QSerialPort::Data8
        << QSerialPort::OneStop;
    QTest::newRow("even parity, 7 bits, 2 stop")
        << QStringLiteral("19200,E,7,2") << 19200 << QSerialPort::EvenParity << QSerialPort::Data7
        << QSerialPort::TwoStop;
    QTest::newRow("odd parity, 5 bits, 1.5 stop")
        << QStringLiteral("4800,O,5,1.5") << 4800 << QSerialPort::OddParity << QSerialPort::Data5
        << QSerialPort::OneAndHalfStop;
    QTest::newRow("mark parity, 6 bits")
        << QStringLiteral("110,M,6,1") << 110 << QSerialPort::MarkParity << QSerialPort::Data6
        << QSerialPort::OneStop;
    QTest::newRow("space parity") << QStringLiteral("300,S,8,2") << 300 << QSerialPort::SpaceParity
                                  << QSerialPort::Data8 << QSerialPort::TwoStop;
    QTest::newRow("fast line") << QStringLiteral("115200,N,8,1") << 115200 << QSerialPort::NoParity
                               << QSerialPort::Data8 << QSerialPort::OneStop;
    QTest::newRow("largest 32-bit rate")
        << QStringLiteral("2147483647,N,8,1") << 2147483647 << QSerialPort::NoParity
        << QSerialPort::Data8 << QSerialPort::OneStop;
}

void tst_LineSettings::parsesValidText()
{
    QFETCH(QString, text);
    QFETCH(qint32, baudRate);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::DataBits, dataBits);
    QFETCH(QSerialPort::StopBits, stopBits);

    const std::optional<LineSettings> settings = LineSettings::parse(text);
    QVERIFY(settings.has_value());
    QCOMPARE(settings->baudRate, baudRate);
    QCOMPARE(settings->parity, parity);
    QCOMPARE(settings->dataBits, dataBits);
    QCOMPARE(settings->stopBits, stopBits);
}

void tst_LineSettings::rejectsInvalidText_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("baud only") << QStringLiteral("9600");
    QTest::newRow("three fields") << QStringLiteral("9600,N,8");
    QTest::newRow("five fields") << QStringLiteral("9600,N,8,1,1");
    QTest::newRow("trailing comma") << QStringLiteral("9600,N,8,1,");
    QTest::newRow("other separator") << QStringLiteral("9600;N;8;1");
    QTest::newRow("zero baud") << QStringLiteral("0,N,8,1");
    QTest::newRow("negative baud") << QStringLiteral("-9600,N,8,1");
    QTest::newRow("signed baud") << QStringLiteral("+9600,N,8,1");
    QTest::newRow("blank before baud") << QStringLiteral(" 9600,N,8,1");
    QTest::newRow("blank inside baud") << QStringLiteral("96 00,N,8,1");
    QTest::newRow("letters for baud") << QStringLiteral("fast,N,8,1");
    QTest::newRow("hexadecimal baud") << QStringLiteral("0x2580,N,8,1");
    QTest::newRow("baud beyond 32 bits") << QStringLiteral("99999999999,N,8,1");
    QTest::newRow("empty baud") << QStringLiteral(",N,8,1");
    QTest::newRow("unknown parity") << QStringLiteral("9600,X,8,1");
    QTest::newRow("empty parity") << QStringLiteral("9600,,8,1");
    QTest::newRow("parity word") << QStringLiteral("9600,None,8,1");
    QTest::newRow("blank after parity") << QStringLiteral("9600,N ,8,1");
    QTest::newRow("four data bits") << QStringLiteral("9600,N,4,1");
    QTest::newRow("nine data bits") << QStringLiteral("9600,N,9,1");
    QTest::newRow("empty data bits") << QStringLiteral("9600,N,,1");
    QTest::newRow("zero stop bits") << QStringLiteral("9600,N,8,0");
    QTest::newRow("three stop bits") << QStringLiteral("9600,N,8,3");
    QTest::newRow("stop bits 1.0") << QStringLiteral("9600,N,8,1.0");
    QTest::newRow("stop bits with comma decimal") << QStringLiteral("9600,N,8,1,5");
    QTest::newRow("empty stop bits") << QStringLiteral("9600,N,8,");
}

void tst_LineSettings::rejectsInvalidText()
{
    QFETCH(QString, text);
    QVERIFY(!LineSettings::parse(text).has_value());
}

QTEST_GUILESS_MAIN(tst_LineSettings)
#include "tst_linesettings.moc"
