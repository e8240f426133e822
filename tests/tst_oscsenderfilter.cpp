#include "remote/osc/oscsenderfilter.h"

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
    // Listed addresses and ranges of both kinds, an IPv4 sender also as a dual-stack
    // socket gives it; then a neighbour, one just past a range, and IPv4 loopback.
    for (const char *sender :
         {"192.168.1.20", "10.0.0.254", "::ffff:10.0.0.7", "fd12:3456::1", "::1"})
        QTest::newRow(sender) << list << QString(sender) << 1;
    for (const char *sender : {"192.168.1.21", "10.0.1.1", "127.0.0.1"})
        QTest::newRow(sender) << list << QString(sender) << 0;
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
