#include "lamps/deskmodel.h"

#include <QSignalSpy>
#include <QtTest>

using Lamps = QList<int>;

namespace {

DeskModel::LampSet setOf(const Lamps &lamps)
{
    DeskModel::LampSet set = 0;
    for (int lamp : lamps)
        set |= DeskModel::lampBit(lamp);
    return set;
}

Lamps where(const std::function<bool(int)> &holds)
{
    Lamps lamps;
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp) {
        if (holds(lamp))
            lamps.append(lamp);
    }
    return lamps;
}

} // namespace

// The desk's rules, each as what the views hear and what the line will send.
class tst_DeskModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operatorMove_data();
    void operatorMove();
    void groups_data();
    void groups();
};

void tst_DeskModel::operatorMove_data()
{
    QTest::addColumn<int>("lampCount");
    QTest::addColumn<Lamps>("linked");
    QTest::addColumn<Lamps>("alreadyThere");
    QTest::addColumn<int>("moved");
    QTest::addColumn<int>("level");
    QTest::addColumn<Lamps>("changed");
    QTest::addColumn<Lamps>("due");
    const Lamps all = where([](int) { return true; });
    QTest::newRow("unlinked lamp moves alone")
        << 8 << Lamps {2, 5} << Lamps {} << 3 << 200 << Lamps {3} << Lamps {3};
    QTest::newRow("linked lamp moves the other linked lamps")
        << 8 << Lamps {2, 3, 5} << Lamps {} << 3 << 200 << Lamps {2, 3, 5} << Lamps {2, 3, 5};
    QTest::newRow("linked lamps beyond the count stay")
        << 4 << Lamps {1, 2, 6, 15} << Lamps {} << 1 << 200 << Lamps {1, 2} << Lamps {1, 2};
    QTest::newRow("a follower already there is not due")
        << 8 << Lamps {0, 4, 7} << Lamps {4} << 0 << 200 << Lamps {0, 7} << Lamps {0, 7};
    QTest::newRow("a hand resting on the level still puts it due and brings the others")
        << 8 << Lamps {0, 4} << Lamps {0} << 0 << 200 << Lamps {4} << Lamps {0, 4};
    QTest::newRow("all sixteen linked") << 16 << all << Lamps {} << 15 << 1 << all << all;
    QTest::newRow("last lamp of the count drives the first")
        << 12 << Lamps {0, 11} << Lamps {} << 11 << 255 << Lamps {0, 11} << Lamps {0, 11};
    QTest::newRow("levels beyond the range are kept in it")
        << 8 << Lamps {} << Lamps {} << 2 << 300 << Lamps {2} << Lamps {2};
    QTest::newRow("nothing shown before the first count, so nothing follows")
        << 0 << all << Lamps {} << 2 << 10 << Lamps {2} << Lamps {2};
}

void tst_DeskModel::operatorMove()
{
    QFETCH(int, lampCount);
    QFETCH(Lamps, linked);
    QFETCH(Lamps, alreadyThere);
    QFETCH(int, moved);
    QFETCH(int, level);
    QFETCH(Lamps, changed);
    QFETCH(Lamps, due);
    DeskModel desk;
    if (lampCount > 0)
        desk.setLampCount(lampCount);
    for (int lamp : linked)
        desk.setLinked(lamp, true);
    for (int lamp : alreadyThere)
        desk.setLevel(lamp, level);
    QSignalSpy levels(&desk, &DeskModel::levelsChanged);

    desk.moveLamp(moved, level);

    const int kept = qBound(0, level, DeskModel::MaxLevel);
    QCOMPARE(levels.size(), changed.isEmpty() ? 0 : 1);
    if (!changed.isEmpty())
        QCOMPARE(levels.at(0).at(0).value<DeskModel::LampSet>(), setOf(changed));
    QCOMPARE(where([&](int lamp) { return desk.isDue(lamp); }), due);
    QCOMPARE(where([&](int lamp) { return desk.level(lamp) == kept; }),
             where([&](int lamp) { return due.contains(lamp) || alreadyThere.contains(lamp); }));
}

// Groups in the list's order, selection linking exactly a group's lamps.
void tst_DeskModel::groups_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("case-insensitive first")
        << QStringList {"b", "A", "c"} << QStringList {"A", "b", "c"};
    QTest::newRow("then by case") << QStringList {"a", "A"} << QStringList {"A", "a"};
    QTest::newRow("equal names in the order they came")
        << QStringList {"x", "x", "a"} << QStringList {"a", "x", "x"};
}

void tst_DeskModel::groups()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, order);
    DeskModel desk;
    QSignalSpy added(&desk, &DeskModel::groupAdded);
    for (int n = 0; n < names.size(); ++n)
        desk.addGroup({names.at(n), qint32(1) << n});
    QStringList got;
    for (const auto &group : desk.groups())
        got << group.name;
    QCOMPARE(got, order);
    QCOMPARE(added.size(), names.size());

    // Bits beyond the sixteen lamps select nothing but stay in the code.
    desk.addGroup({QStringLiteral("~wide"), 0x10003 | (1 << 15)});
    desk.setLinked(7, true);
    QSignalSpy links(&desk, &DeskModel::linksChanged);
    QSignalSpy selected(&desk, &DeskModel::groupSelected);
    desk.selectGroup(int(desk.groups().size()) - 1);
    QCOMPARE(desk.linkedCode(), 0x8003);
    QCOMPARE(desk.groups().constLast().code, 0x18003);
    QCOMPARE(links.at(0).at(0).value<DeskModel::LampSet>(), setOf({0, 1, 7, 15}));
    QCOMPARE(selected.at(0).at(0).toInt(), int(desk.groups().size()) - 1);
    desk.selectGroup(int(desk.groups().size()));
    QCOMPARE(selected.size(), 1);

    desk.deselectAll();
    QCOMPARE(desk.linkedCode(), 0);
    QSignalSpy removed(&desk, &DeskModel::groupRemoved);
    desk.removeGroup(0);
    QCOMPARE(removed.at(0).at(0).toInt(), 0);
    QCOMPARE(desk.groups().size(), names.size());
}

QTEST_GUILESS_MAIN(tst_DeskModel)
#include "tst_deskmodel.moc"
