// Where remote control listens, read from a real settings file: off unless a port is
// named, and only on this machine unless an address is named.
#include "filebytes.h"
#include "osc/oscsettings.h"
#include "settings/settingsfile.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_OscSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromTheFile_data();
    void fromTheFile();
};

void tst_OscSettings::fromTheFile_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("port"); // 0: off
    QTest::addColumn<QString>("address");

    const QString local = QStringLiteral("127.0.0.1");
    QTest::newRow("no keys") << QByteArray() << 0 << local;
    QTest::newRow("port") << QByteArray("OscPort=9000\n") << 9000 << local;
    QTest::newRow("port by the number rule") << QByteArray("OscPort=&H2328\n") << 9000 << local;
    QTest::newRow("highest port") << QByteArray("OscPort=65535\n") << 65535 << local;
    QTest::newRow("port 0") << QByteArray("OscPort=0\n") << 0 << local;
    QTest::newRow("port too large") << QByteArray("OscPort=65536\n") << 0 << local;
    QTest::newRow("port of letters") << QByteArray("OscPort=osc\n") << 0 << local;
    QTest::newRow("every address")
        << QByteArray("OscPort=9000\nOscAddress=0.0.0.0\n") << 9000 << QStringLiteral("0.0.0.0");
    QTest::newRow("IPv6 address") << QByteArray("OscPort=9000\nOscAddress= ::1 \n") << 9000
                                  << QStringLiteral("::1");
    QTest::newRow("not an address stays local")
        << QByteArray("OscPort=9000\nOscAddress=stage.local\n") << 9000 << local;
}

void tst_OscSettings::fromTheFile()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, port);
    QFETCH(QString, address);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    QVERIFY(FileBytes::write(path, "[Kelvaris]\n" + keys));
    const OscSettings settings = OscSettings::read(SettingsFile(path));

    QCOMPARE(settings.port.value_or(0), port);
    QCOMPARE(settings.address.toString(), address);
}

QTEST_GUILESS_MAIN(tst_OscSettings)
#include "tst_oscsettings.moc"
