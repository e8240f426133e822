#include "fakelampcontrols.h"
#include "lamps/lampbank.h"

#include <QtTest>

using LampSet = QList<int>;

class tst_LampBank : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levelFollowsSlider_data();
    void levelFollowsSlider();
    void propagation_data();
    void propagation();
    void noPropagationBeforeFirstLayout();
    void noPropagationWhileLayoutResetsSliders();
    void onlyValueOneCountsAsChecked();
    void resetClearsLevelsAndMarks();
};

void tst_LampBank::levelFollowsSlider_data()
{
    QTest::addColumn<int>("sliderValue");
    QTest::addColumn<int>("level");

    QTest::newRow("bottom is off") << 255 << 0;
    QTest::newRow("top is full") << 0 << 255;
    QTest::newRow("one page up from the bottom") << 191 << 64;
    QTest::newRow("middle") << 128 << 127;
}

void tst_LampBank::levelFollowsSlider()
{
    QFETCH(int, sliderValue);
    QFETCH(int, level);

    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;

    controls.operatorMoves(3, sliderValue);

    QCOMPARE(bank.lampLevel(3), level);
    QCOMPARE(controls.greys.at(3), level);
    QVERIFY(bank.isMarkedForSending(3));
    for (int other = 0; other < LampCommand::MaxLamps; ++other) {
        if (other != 3)
            QVERIFY2(!bank.isMarkedForSending(other), qPrintable(QString::number(other)));
    }
}

void tst_LampBank::propagation_data()
{
    QTest::addColumn<int>("lampCount");
    QTest::addColumn<LampSet>("checked");
    QTest::addColumn<int>("moved");
    QTest::addColumn<LampSet>("alreadyAtValue");
    QTest::addColumn<LampSet>("followers");
    QTest::addColumn<LampSet>("dirty");

    QTest::newRow("unchecked lamp moves alone")
        << 8 << LampSet {2, 5} << 3 << LampSet {} << LampSet {} << LampSet {3};
    QTest::newRow("checked lamp moves the other checked lamps")
        << 8 << LampSet {2, 3, 5} << 3 << LampSet {} << LampSet {2, 5} << LampSet {2, 3, 5};
    QTest::newRow("checked lamps beyond the count stay")
        << 4 << LampSet {1, 2, 6, 15} << 1 << LampSet {} << LampSet {2} << LampSet {1, 2};
    QTest::newRow("lamp already at the value is not re-marked")
        << 8 << LampSet {0, 4, 7} << 0 << LampSet {4} << LampSet {7} << LampSet {0, 7};
    QTest::newRow("all sixteen linked")
        << 16 << LampSet {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15} << 15 << LampSet {}
        << LampSet {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}
        << LampSet {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    QTest::newRow("last lamp of the count drives the first")
        << 12 << LampSet {0, 11} << 11 << LampSet {} << LampSet {0} << LampSet {0, 11};
}

void tst_LampBank::propagation()
{
    QFETCH(int, lampCount);
    QFETCH(LampSet, checked);
    QFETCH(int, moved);
    QFETCH(LampSet, alreadyAtValue);
    QFETCH(LampSet, followers);
    QFETCH(LampSet, dirty);

    constexpr int NewValue = 55;
    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;
    bank.setLampCount(static_cast<qint16>(lampCount));
    bank.setSyncSource(LampBank::SyncIdle);
    for (int lamp : checked)
        controls.checkboxes.at(lamp) = 1;
    for (int lamp : alreadyAtValue)
        controls.sliders.at(lamp) = NewValue;

    controls.operatorMoves(moved, NewValue);

    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        const QByteArray which = "lamp " + QByteArray::number(lamp);
        const bool follows = followers.contains(lamp) || alreadyAtValue.contains(lamp);
        QVERIFY2((controls.sliders.at(lamp) == NewValue) == (follows || lamp == moved), which);
        QVERIFY2(bank.isMarkedForSending(lamp) == dirty.contains(lamp), which);
        if (dirty.contains(lamp))
            QVERIFY2(bank.lampLevel(lamp) == LampCommand::MaxLevel - NewValue, which);
    }
    QCOMPARE(bank.syncSource(), LampBank::SyncIdle);
}

void tst_LampBank::noPropagationBeforeFirstLayout()
{
    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;
    bank.setLampCount(8);
    controls.checkboxes.fill(1);

    QCOMPARE(bank.syncSource(), qint16(0));
    controls.operatorMoves(2, 10);

    QCOMPARE(bank.lampLevel(2), qint16(245));
    QCOMPARE(controls.sliderAssignments, 0);
    QVERIFY(!bank.isMarkedForSending(0));
    QCOMPARE(bank.syncSource(), qint16(0));
}

void tst_LampBank::noPropagationWhileLayoutResetsSliders()
{
    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;
    bank.setLampCount(8);
    controls.checkboxes.fill(1);
    bank.setSyncSource(LampBank::SyncLayout);

    controls.setSliderValue(1, 100);

    QCOMPARE(controls.sliderAssignments, 1);
    QVERIFY(bank.isMarkedForSending(1));
    QVERIFY(!bank.isMarkedForSending(2));
    QCOMPARE(bank.syncSource(), LampBank::SyncLayout);
}

void tst_LampBank::onlyValueOneCountsAsChecked()
{
    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;
    bank.setLampCount(8);
    bank.setSyncSource(LampBank::SyncIdle);
    controls.checkboxes.at(0) = 1;
    controls.checkboxes.at(1) = 2; // a third state counts as unchecked
    controls.checkboxes.at(2) = 1;

    controls.operatorMoves(0, 30);

    QCOMPARE(controls.sliders.at(1), 255);
    QCOMPARE(controls.sliders.at(2), 30);
}

void tst_LampBank::resetClearsLevelsAndMarks()
{
    FakeLampControls controls;
    LampBank bank(controls);
    controls.bank = &bank;
    controls.operatorMoves(4, 0);
    controls.operatorMoves(15, 100);

    bank.reset();

    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        QCOMPARE(bank.lampLevel(lamp), qint16(0));
        QVERIFY(!bank.isMarkedForSending(lamp));
    }
}

QTEST_GUILESS_MAIN(tst_LampBank)
#include "tst_lampbank.moc"
