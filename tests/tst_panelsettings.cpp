// What start-up reads from a real settings file, and where remote control listens.
#include "filebytes.h"
#include "remote/osc/oscreceiver.h"
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
    QTest::addColumn<QString>("read"); // lamps and port, then only what is set

    auto row = [](const char *name, const char *keys, const char *read) {
        QTest::newRow(name) << QByteArray("[Kelvaris]\n") + keys << QString::fromUtf8(read);
    };
    auto utf16 = [](QStringConverter::Encoding order, const char *text) {
        return QByteArray(
            QStringEncoder(order, QStringEncoder::Flag::WriteBom).encode(QString::fromUtf8(text)));
    };

    QTest::newRow("no file") << QByteArray() << QStringLiteral("8 lamps, port 1");
    row("stored values", "LampCount=12\nSerialPort=2\n", "12 lamps, port 2");
    row("count 16 and 1 are valid", "LampCount=16\n", "16 lamps, port 1");
    row("count 0", "LampCount=0\n", "8 lamps, port 1");
    row("count 17", "LampCount=17\n", "8 lamps, port 1");
    row("count by the number rule", "LampCount=12abc\n", "12 lamps, port 1");
    row("port 0", "SerialPort=0\n", "8 lamps, port 1");
    row("port too large for the integer", "SerialPort=40000\n", "8 lamps, port 1");
    row("named device", "SerialDevice = /dev/ttyUSB0 \nSerialPort=3\n",
        "8 lamps, port 3, device /dev/ttyUSB0");
    // Windows "Unicode" files in both byte orders.
    QTest::newRow("UTF-16LE file")
        << utf16(QStringConverter::Utf16LE, "[Kelvaris]\r\nLampCount=5\r\nSerialPort=&H2\r\n")
        << QStringLiteral("5 lamps, port 2");
    QTest::newRow("UTF-16BE file")
        << utf16(QStringConverter::Utf16BE, "[Kelvaris]\r\nlampcount = 9.5\r\nSerialPort=3\r\n")
        << QStringLiteral("10 lamps, port 3");

    // The switches are on only for the number 1, not for any true value.
    row("reopen: one", "ReopenPort=1\n", "8 lamps, port 1, reopen");
    row("reopen: 1.4 rounds to one", "ReopenPort=1.4\n", "8 lamps, port 1, reopen");
    row("reopen: two", "ReopenPort=2\n", "8 lamps, port 1");
    row("reopen: true as -1", "ReopenPort=-1\n", "8 lamps, port 1");
    row("keep: 1abc is one", "KeepLevels=1abc\n", "8 lamps, port 1, keep");
    row("keep: two", "KeepLevels=2\n", "8 lamps, port 1");
    // The fade in tenths of a second, by the number rule; shown when not the default 2 s.
    for (const auto &[text, read] : {std::pair {"2.5", "fade 2500"},
                                     {"0", "fade 0"},
                                     {"1.25", "fade 1200"},
                                     {"&H3", "fade 3000"},
                                     {"60.04", "fade 60000"},
                                     {"60.05", "fade 60000"},
                                     {"60.06", ""},
                                     {"-0.1", ""},
                                     {"", ""}})
        row(qPrintable(QStringLiteral("fade: ") + QLatin1String(text)),
            (QByteArray("FadeTime=") + text + '\n').constData(),
            *read ? qPrintable(QStringLiteral("8 lamps, port 1, ") + QLatin1String(read))
                  : "8 lamps, port 1");

    // Remote control: off unless a port is named, only on this machine unless an
    // address is named.
    row("osc: port by the number rule", "OscPort=&H2328\n", "8 lamps, port 1, osc 127.0.0.1 9000");
    row("osc: highest port", "OscPort=65535\n", "8 lamps, port 1, osc 127.0.0.1 65535");
    row("osc: port too large", "OscPort=65536\n", "8 lamps, port 1");
    row("osc: every address", "OscPort=9000\nOscAddress=0.0.0.0\n",
        "8 lamps, port 1, osc 0.0.0.0 9000");
    row("osc: IPv6 address", "OscPort=9000\nOscAddress= ::1 \n", "8 lamps, port 1, osc ::1 9000");
    row("osc: not an address stays local", "OscPort=9000\nOscAddress=stage.local\n",
        "8 lamps, port 1, osc 127.0.0.1 9000");
    row("osc: half an address stays local", "OscPort=9000\nOscAddress=192.168.1\n",
        "8 lamps, port 1, osc 127.0.0.1 9000");
    row("osc: a bare number stays local", "OscPort=9000\nOscAddress=0\n",
        "8 lamps, port 1, osc 127.0.0.1 9000");
}

void tst_PanelSettings::fromTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, read);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    if (!file.isNull())
        QVERIFY(FileBytes::write(path, file));
    const PanelSettings settings = PanelSettings::read(SettingsFile(path));

    QStringList seen {QStringLiteral("%1 lamps").arg(settings.lampCount),
                      QStringLiteral("port %1").arg(settings.serialPort)};
    if (!settings.serialDevice.isEmpty())
        seen << QStringLiteral("device ") + settings.serialDevice;
    if (settings.reopenPort)
        seen << QStringLiteral("reopen");
    if (settings.keepLevels)
        seen << QStringLiteral("keep");
    if (settings.fadeTime != PanelSettings::DefaultFadeTime)
        seen << QStringLiteral("fade %1").arg(settings.fadeTime.count());
    if (settings.oscPort)
        seen << QStringLiteral("osc %1 %2")
                    .arg(OscReceiver::listenAddress(settings.oscAddress).toString())
                    .arg(*settings.oscPort);
    QCOMPARE(seen.join(QStringLiteral(", ")), read);
    // Reading never creates or changes the file.
    QCOMPARE(FileBytes::read(path), file.isNull() ? QByteArray() : file);
    QCOMPARE(QFile::exists(path), !file.isNull());
}

QTEST_GUILESS_MAIN(tst_PanelSettings)
#include "tst_panelsettings.moc"
