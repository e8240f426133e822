#include <QtTest>

class tst_LampBank : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(tst_LampBank)
#include "tst_lampbank.moc"
