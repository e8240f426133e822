// What start-up reads from a real settings file, and where remote control listens.
#include "filebytes.h"
#include "osc/oscreceiver.h"
#include "settings/panelsettings.h"
#include "settings/settingsfile.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_PanelSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromTheFile_data();
    void fromTheFile();
};

void tst_PanelSettings::fromTheFile_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<int>("lampCount");
    QTest::addColumn<int>("serialPort");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("reopen");
    QTest::addColumn<int>("oscPort"); // 0: off
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("keep");

    auto row = [](const char *name, const QByteArray &file, int lamps, int port,
                  const char *device = "", bool reopen = false, int oscPort = 0,
                  const char *address = "127.0.0.1", bool keep = false) {
        QTest::newRow(name) << file << lamps << port << QString::fromUtf8(device) << reopen
                            << oscPort << QString::fromUtf8(address) << keep;
    };
    auto ini = [](const char *keys) {
        return QByteArray("[Kelvaris]\n") + keys;
    };
    auto utf16 = [](QStringConverter::Encoding order, const char *text) {
        return QByteArray(
            QStringEncoder(order, QStringEncoder::Flag::WriteBom).encode(QString::fromUtf8(text)));
    };

    row("no file", QByteArray(), 8, 1);
    row("stored values", ini("LampCount=12\nSerialPort=2\n"), 12, 2);
    row("count 16 and 1 are valid", ini("LampCount=16\n"), 16, 1);
    row("count 0", ini("LampCount=0\n"), 8, 1);
    row("count 17", ini("LampCount=17\n"), 8, 1);
    row("count too large for the integer", ini("LampCount=70000\n"), 8, 1);
    row("count with trailing text", ini("LampCount=12abc\n"), 12, 1);
    row("count of letters", ini("LampCount=abc\n"), 8, 1);
    row("count 8.5 rounds to 8", ini("LampCount=8.5\n"), 8, 1);
    row("count 9.5 rounds to 10", ini("LampCount=9.5\n"), 10, 1);
    row("port 0", ini("SerialPort=0\n"), 8, 1);
    row("negative port", ini("SerialPort=-3\n"), 8, 1);
    row("port too large for the integer", ini("SerialPort=40000\n"), 8, 1);
    row("named device", ini("SerialDevice = /dev/ttyUSB0 \nSerialPort=3\n"), 8, 3, "/dev/ttyUSB0");
    row("empty device", ini("SerialDevice=\n"), 8, 1);
    // Windows "Unicode" files in both byte orders.
    row("UTF-16LE file",
        utf16(QStringConverter::Utf16LE, "[Kelvaris]\r\nLampCount=5\r\nSerialPort=&H2\r\n"), 5, 2);
    row("UTF-16BE file",
        utf16(QStringConverter::Utf16BE, "[Kelvaris]\r\nlampcount = 9.5\r\nSerialPort=3\r\n"), 10,
        3);

    // Reopening only for the number 1.
    row("reopen: no key", ini("LampCount=4\n"), 4, 1);
    row("reopen: one", ini("ReopenPort=1\n"), 8, 1, "", true);
    row("reopen: 1.4 rounds to one", ini("ReopenPort=1.4\n"), 8, 1, "", true);
    row("reopen: empty", ini("ReopenPort=\n"), 8, 1);
    row("reopen: zero", ini("ReopenPort=0\n"), 8, 1);
    row("reopen: two", ini("ReopenPort=2\n"), 8, 1);
    row("reopen: true as -1", ini("ReopenPort=-1\n"), 8, 1);
    row("reopen: word", ini("ReopenPort=yes\n"), 8, 1);
    // Keeping levels, by the same rule.
    auto keep = [&](const char *name, const char *keys, bool on) {
        row(name, ini(keys), 8, 1, "", false, 0, "127.0.0.1", on);
    };
    keep("keep: one", "KeepLevels=1\n", true);
    keep("keep: 1abc", "KeepLevels=1abc\n", true);
    keep("keep: two", "KeepLevels=2\n", false);
    keep("keep: word", "KeepLevels=on\n", false);

    // Remote control: off unless a port is named, only on this machine unless an
    // address is named.
    row("osc: port", ini("OscPort=9000\n"), 8, 1, "", false, 9000);
    row("osc: port by the number rule", ini("OscPort=&H2328\n"), 8, 1, "", false, 9000);
    row("osc: highest port", ini("OscPort=65535\n"), 8, 1, "", false, 65535);
    row("osc: port 0", ini("OscPort=0\n"), 8, 1);
    row("osc: port too large", ini("OscPort=65536\n"), 8, 1);
    row("osc: port of letters", ini("OscPort=osc\n"), 8, 1);
    row("osc: every address", ini("OscPort=9000\nOscAddress=0.0.0.0\n"), 8, 1, "", false, 9000,
        "0.0.0.0");
    row("osc: IPv6 address", ini("OscPort=9000\nOscAddress= ::1 \n"), 8, 1, "", false, 9000, "::1");
    row("osc: not an address stays local", ini("OscPort=9000\nOscAddress=stage.local\n"), 8, 1, "",
        false, 9000);
}

void tst_PanelSettings::fromTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, lampCount);
    QFETCH(int, serialPort);
    QFETCH(QString, device);
    QFETCH(bool, reopen);
    QFETCH(int, oscPort);
    QFETCH(QString, address);
    QFETCH(bool, keep);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    if (!file.isNull())
        QVERIFY(FileBytes::write(path, file));
    const PanelSettings settings = PanelSettings::read(SettingsFile(path));

    QCOMPARE(settings.lampCount, lampCount);
    QCOMPARE(settings.serialPort, serialPort);
    QCOMPARE(settings.serialDevice, device);
    QCOMPARE(settings.reopenPort, reopen);
    QCOMPARE(settings.oscPort.value_or(0), oscPort);
    QCOMPARE(OscReceiver::listenAddress(settings.oscAddress).toString(), address);
    QCOMPARE(settings.keepLevels, keep);
    // Reading never creates or changes the file.
    QCOMPARE(QFile::exists(path), !file.isNull());
    QCOMPARE(FileBytes::read(path), file.isNull() ? QByteArray() : file);
}

QTEST_GUILESS_MAIN(tst_PanelSettings)
#include "tst_panelsettings.moc"
