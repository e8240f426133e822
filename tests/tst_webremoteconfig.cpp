#include "osc/web/webremoteconfig.h"

#include <QtTest>

class tst_WebRemoteConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listenAddress_data();
    void listenAddress();
};

void tst_WebRemoteConfig::listenAddress_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QHostAddress>("listen");
    QTest::addColumn<bool>("saysWhy");

    const QHostAddress loopback(QHostAddress::LocalHost);
    QTest::newRow("no password, no address") << ""
                                             << "" << loopback << true;
    QTest::newRow("no password, any address") << ""
                                              << "0.0.0.0" << loopback << true;
    QTest::newRow("password, no address") << "pw"
                                          << "" << QHostAddress(QHostAddress::Any) << false;
    QTest::newRow("password, blanks") << "pw"
                                      << "  " << QHostAddress(QHostAddress::Any) << false;
    QTest::newRow("password, v4") << "pw"
                                  << " 192.168.1.5 " << QHostAddress("192.168.1.5") << false;
    QTest::newRow("password, v6") << "pw"
                                  << "fd00::5" << QHostAddress("fd00::5") << false;
    QTest::newRow("password, a name") << "pw"
                                      << "stage.local" << loopback << true;
    QTest::newRow("password, half an address") << "pw"
                                               << "192.168.1" << loopback << true;
}

void tst_WebRemoteConfig::listenAddress()
{
    QFETCH(QString, password);
    QFETCH(QString, address);
    QFETCH(QHostAddress, listen);
    QFETCH(bool, saysWhy);

    const WebRemoteConfig config {8080, password, address};
    QCOMPARE(config.listenAddress(), listen);
    QCOMPARE(!config.loopbackReason().isEmpty(), saysWhy);
}

QTEST_GUILESS_MAIN(tst_WebRemoteConfig)
#include "tst_webremoteconfig.moc"
