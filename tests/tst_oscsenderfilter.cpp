#include "osc/oscsenderfilter.h"

#include <QtTest>

class tst_OscSenderFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void allows_data();
    void allows();
};

void tst_OscSenderFilter::allows_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("sender");
    // -1: the list does not parse; else whether the sender is let in.
    QTest::addColumn<int>("expected");
    const QString list = QStringLiteral(" 192.168.1.20, 10.0.0.0/24 ,fd00::/8,::1");
    QTest::newRow("listed address") << list << "192.168.1.20" << 1;
    QTest::newRow("neighbour of it") << list << "192.168.1.21" << 0;
    QTest::newRow("in the IPv4 range") << list << "10.0.0.254" << 1;
    QTest::newRow("past the IPv4 range") << list << "10.0.1.1" << 0;
    QTest::newRow("IPv4 through a dual-stack socket") << list << "::ffff:10.0.0.7" << 1;
    QTest::newRow("in the IPv6 range") << list << "fd12:3456::1" << 1;
    QTest::newRow("IPv6 loopback listed") << list << "::1" << 1;
    QTest::newRow("IPv4 loopback not listed") << list << "127.0.0.1" << 0;
    for (const char *bad : {"10.0.0.300", "10.0.0.1, lighting-desk", "10.0.0.0/33", "10.0.0.1,,"})
        QTest::newRow(bad) << QString(bad) << "10.0.0.1" << -1;
}

void tst_OscSenderFilter::allows()
{
    QFETCH(QString, list);
    QFETCH(QString, sender);
    QFETCH(int, expected);
    const auto filter = OscSenderFilter::parse(list);
    QCOMPARE(filter.has_value(), expected >= 0);
    if (filter)
        QCOMPARE(filter->allows(QHostAddress(sender)), expected == 1);
}

QTEST_GUILESS_MAIN(tst_OscSenderFilter)
#include "tst_oscsenderfilter.moc"
