#include "panel/startupsettings.h"
#include "settings/settingsfile.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_StartupSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromTheFile_data();
    void fromTheFile();
    void reopenPortOnlyForOne_data();
    void reopenPortOnlyForOne();
};

void tst_StartupSettings::fromTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("lampCount");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");

    QTest::newRow("no file") << QByteArray() << 8 << 1 << QString();
    QTest::newRow("stored values")
        << QByteArray("[Kelvaris]\nLampCount=12\nSerialPort=2\n") << 12 << 2 << QString();
    QTest::newRow("count 16 and 1 are valid")
        << QByteArray("[Kelvaris]\nLampCount=16\n") << 16 << 1 << QString();
    QTest::newRow("count 0") << QByteArray("[Kelvaris]\nLampCount=0\n") << 8 << 1 << QString();
    QTest::newRow("count 17") << QByteArray("[Kelvaris]\nLampCount=17\n") << 8 << 1 << QString();
    QTest::newRow("count too large for the integer")
        << QByteArray("[Kelvaris]\nLampCount=70000\n") << 8 << 1 << QString();
    QTest::newRow("count with trailing text")
        << QByteArray("[Kelvaris]\nLampCount=12abc\n") << 12 << 1 << QString();
    QTest::newRow("count of letters")
        << QByteArray("[Kelvaris]\nLampCount=abc\n") << 8 << 1 << QString();
    QTest::newRow("count 8.5 rounds to 8")
        << QByteArray("[Kelvaris]\nLampCount=8.5\n") << 8 << 1 << QString();
    QTest::newRow("count 9.5 rounds to 10")
        << QByteArray("[Kelvaris]\nLampCount=9.5\n") << 10 << 1 << QString();
    QTest::newRow("port 0") << QByteArray("[Kelvaris]\nSerialPort=0\n") << 8 << 1 << QString();
    QTest::newRow("negative port")
        << QByteArray("[Kelvaris]\nSerialPort=-3\n") << 8 << 1 << QString();
    QTest::newRow("port too large for the integer")
        << QByteArray("[Kelvaris]\nSerialPort=40000\n") << 8 << 1 << QString();
    QTest::newRow("named device") << QByteArray(
        "[Kelvaris]\nSerialDevice = /dev/ttyUSB0 \nSerialPort=3\n")
                                  << 8 << 3 << QStringLiteral("/dev/ttyUSB0");
    // Windows "Unicode" files in both byte orders.
    QStringEncoder littleEndian(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("UTF-16LE file") << QByteArray(
        littleEndian.encode(QStringLiteral("[Kelvaris]\r\nLampCount=5\r\nSerialPort=&H2\r\n")))
                                   << 5 << 2 << QString();
    QStringEncoder bigEndian(QStringConverter::Utf16BE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("UTF-16BE file") << QByteArray(
        bigEndian.encode(QStringLiteral("[Kelvaris]\r\nlampcount = 9.5\r\nSerialPort=3\r\n")))
                                   << 10 << 3 << QString();
    QTest::newRow("empty device") << QByteArray("[Kelvaris]\nSerialDevice=\n") << 8 << 1
                                  << QString();
}

void tst_StartupSettings::fromTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, lampCount);
    QFETCH(int, portNumber);
    QFETCH(QString, device);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    if (!file.isNull()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    const SettingsFile settings(path);

    QCOMPARE(StartupSettings::readLampCount(settings), lampCount);
    QCOMPARE(StartupSettings::readPortNumber(settings), portNumber);
    QCOMPARE(StartupSettings::readSerialDevice(settings), device);
    // Reading never creates or changes the file.
    QCOMPARE(QFile::exists(path), !file.isNull());
}

void tst_StartupSettings::reopenPortOnlyForOne_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("reopen");

    QTest::newRow("no key") << QByteArray("[Kelvaris]\nLampCount=4\n") << false;
    QTest::newRow("one") << QByteArray("[Kelvaris]\nReopenPort=1\n") << true;
    QTest::newRow("1.4 rounds to one") << QByteArray("[Kelvaris]\nReopenPort=1.4\n") << true;
    QTest::newRow("empty") << QByteArray("[Kelvaris]\nReopenPort=\n") << false;
    QTest::newRow("zero") << QByteArray("[Kelvaris]\nReopenPort=0\n") << false;
    QTest::newRow("two") << QByteArray("[Kelvaris]\nReopenPort=2\n") << false;
    QTest::newRow("true as -1") << QByteArray("[Kelvaris]\nReopenPort=-1\n") << false;
    QTest::newRow("word") << QByteArray("[Kelvaris]\nReopenPort=yes\n") << false;
}

void tst_StartupSettings::reopenPortOnlyForOne()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, reopen);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    QCOMPARE(StartupSettings::readReopenPort(SettingsFile(path)), reopen);
}

QTEST_GUILESS_MAIN(tst_StartupSettings)
#include "tst_startupsettings.moc"
