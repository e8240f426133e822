#include "lamps/deskmodel.h"
#include "panel/sortedlistbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The key table's list, long enough that a page lies between its first and last entry.
constexpr int LastEntry = 29;
// Stands for the entry the view's own Page Down reaches from the first one.
constexpr int PageBelowFirst = -2;

QStringList entryNames(const SortedListBox &list)
{
    QStringList names;
    for (int row = 0; row < list.count(); ++row)
        names << list.name(row);
    return names;
}

// Adds the names to the desk in turn, giving the n-th the code n + 1; returns the
// places the desk gave them.
QList<int> addAll(DeskModel &desk, const QStringList &names)
{
    QList<int> indices;
    for (const QString &name : names)
        indices << desk.addGroup({name, qint32(indices.size() + 1)});
    return indices;
}

} // namespace

class tst_SortedListBox : public QObject
{
    Q_OBJECT

private:
    // Shown so that clicks and keys reach it like the operator's.
    void showList(SortedListBox &list)
    {
        list.resize(200, 300);
        list.show();
        list.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&list));
    }
    void click(SortedListBox &list, int row)
    {
        const QRect rect = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }
    // As the windowing system delivers it: a click, then the double-click event.
    void doubleClick(SortedListBox &list, int row)
    {
        click(list, row);
        const QRect rect = list.visualItemRect(list.item(row));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

private Q_SLOTS:
    void keepsAlphabeticalOrderWithoutRegardToCase_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QList<int>>("indices");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<qint32>>("codes");

        auto s = [](const char *text) {
            return QString::fromLatin1(text);
        };
        QTest::newRow("beta then alpha")
            << QStringList {s("beta"), s("alpha")} << QList<int> {0, 0}
            << QStringList {s("alpha"), s("beta")} << QList<qint32> {2, 1};
        QTest::newRow("Zeta then Alpha")
            << QStringList {s("Zeta"), s("Alpha")} << QList<int> {0, 0}
            << QStringList {s("Alpha"), s("Zeta")} << QList<qint32> {2, 1};
        QTest::newRow("case ignored")
            << QStringList {s("c"), s("B"), s("a")} << QList<int> {0, 0, 0}
            << QStringList {s("a"), s("B"), s("c")} << QList<qint32> {3, 2, 1};
        QTest::newRow("lower case first added")
            << QStringList {s("beta"), s("alpha"), s("Alpha")} << QList<int> {0, 0, 0}
            << QStringList {s("Alpha"), s("alpha"), s("beta")} << QList<qint32> {3, 2, 1};
        QTest::newRow("upper case first added")
            << QStringList {s("beta"), s("Alpha"), s("alpha")} << QList<int> {0, 0, 1}
            << QStringList {s("Alpha"), s("alpha"), s("beta")} << QList<qint32> {2, 3, 1};
        QTest::newRow("same name goes after the existing ones")
            << QStringList {s("Same"), s("Other"), s("Same"), s("Same")} << QList<int> {0, 0, 2, 3}
            << QStringList {s("Other"), s("Same"), s("Same"), s("Same")}
            << QList<qint32> {2, 1, 3, 4};
        QTest::newRow("in the middle")
            << QStringList {s("a"), s("e"), s("c"), s("d"), s("b")} << QList<int> {0, 1, 1, 2, 1}
            << QStringList {s("a"), s("b"), s("c"), s("d"), s("e")}
            << QList<qint32> {1, 5, 3, 4, 2};
        QTest::newRow("blanks and digits")
            << QStringList {s("b"), s(" z"), s("10"), s("9")} << QList<int> {0, 0, 1, 2}
            << QStringList {s(" z"), s("10"), s("9"), s("b")} << QList<qint32> {2, 3, 4, 1};
    }
    void keepsAlphabeticalOrderWithoutRegardToCase()
    {
        QFETCH(QStringList, added);
        QFETCH(QList<int>, indices);
        QFETCH(QStringList, order);
        QFETCH(QList<qint32>, codes);

        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        QCOMPARE(addAll(desk, added), indices);
        QCOMPARE(entryNames(list), order);
        QList<qint32> kept;
        for (const auto &group : desk.groups())
            kept << group.code;
        QCOMPARE(kept, codes);
    }

    void selectedIndexFollowsTheSelection()
    {
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        QCOMPARE(list.selectedIndex(), -1);
        addAll(desk, {QStringLiteral("b"), QStringLiteral("d")});
        QCOMPARE(list.selectedIndex(), -1);
        list.setCurrentRow(1);
        QCOMPARE(list.selectedIndex(), 1);
        // An entry added in front moves the selected one along.
        desk.addGroup({QStringLiteral("a"), 1});
        QCOMPARE(list.selectedIndex(), 2);
        QCOMPARE(list.name(list.selectedIndex()), QStringLiteral("d"));
        // Removing another entry keeps the selection on the same entry.
        desk.removeGroup(0);
        QCOMPARE(list.name(list.selectedIndex()), QStringLiteral("d"));
        // Removing the selected entry selects no other one.
        desk.removeGroup(list.selectedIndex());
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.selectedIndex(), -1);
        list.setCurrentRow(0);
        list.clearSelection();
        QCOMPARE(list.selectedIndex(), -1);
    }

    void operatorSelectionIsNotified()
    {
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        addAll(desk, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        showList(list);
        QSignalSpy selectionSpy(&list, &QListWidget::itemSelectionChanged);
        QSignalSpy doubleClickSpy(&list, &QListWidget::itemDoubleClicked);

        click(list, 1);
        QCOMPARE(selectionSpy.count(), 1);
        QCOMPARE(list.selectedIndex(), 1);

        QTest::keyClick(list.viewport(), Qt::Key_Down);
        QCOMPARE(selectionSpy.count(), 2);
        QCOMPARE(list.selectedIndex(), 2);

        doubleClick(list, 0);
        QCOMPARE(doubleClickSpy.count(), 1);
        QCOMPARE(list.selectedIndex(), 0);
        QCOMPARE(selectionSpy.count(), 3);

        // One entry at most is selected, whatever the modifier.
        QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list.visualItemRect(list.item(2)).center());
        QCOMPARE(list.selectedItems().size(), 1);
        QCOMPARE(list.selectedIndex(), 2);
    }

    void programChangesAreNotNotified()
    {
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        addAll(desk, {QStringLiteral("b"), QStringLiteral("c")});
        showList(list);
        click(list, 1);
        QSignalSpy selectionSpy(&list, &QListWidget::itemSelectionChanged);
        QSignalSpy rowSpy(&list, &QListWidget::currentRowChanged);

        desk.addGroup({QStringLiteral("a"), 4});
        desk.removeGroup(0);
        desk.removeGroup(list.selectedIndex());
        QCOMPARE(list.selectedIndex(), -1);
        list.clear();
        QCOMPARE(selectionSpy.count(), 0);
        QCOMPARE(rowSpy.count(), 0);
    }

    void keysOnTheList_data()
    {
        QTest::addColumn<int>("keys"); // a key and its modifiers, combined
        QTest::addColumn<int>("before"); // the entry selected first; only Enter rows have one
        QTest::addColumn<int>("after");
        QTest::newRow("Home") << int(Qt::Key_Home) << -1 << 0;
        QTest::newRow("End") << int(Qt::Key_End) << -1 << LastEntry;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << -1 << 0;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << -1 << PageBelowFirst;
        QTest::newRow("Up") << int(Qt::Key_Up) << -1 << LastEntry;
        QTest::newRow("Down") << int(Qt::Key_Down) << -1 << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return) << -1 << -1;
        QTest::newRow("Enter on a selected entry") << int(Qt::Key_Return) << 3 << 3;
        QTest::newRow("keypad Enter on a selected entry")
            << (Qt::KeypadModifier | Qt::Key_Enter).toCombined() << 3 << 3;
    }
    void keysOnTheList()
    {
        QFETCH(int, keys);
        QFETCH(int, before);
        QFETCH(int, after);
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        showList(list);

        // Neither the focus nor adding an entry selects one or makes one current.
        QSignalSpy selectionSpy(&list, &QListWidget::itemSelectionChanged);
        for (int i = LastEntry; i > 0; --i)
            desk.addGroup({QStringLiteral("Group %1").arg(i, 2, 10, QLatin1Char('0')), 1});
        list.clearFocus();
        list.setFocus(Qt::TabFocusReason);
        QCOMPARE(list.currentRow(), -1);
        desk.addGroup({QStringLiteral("Group 00"), 1});
        QCOMPARE(list.currentRow(), -1);
        QCOMPARE(selectionSpy.count(), 0);

        if (before >= 0)
            list.setCurrentRow(before);
        selectionSpy.clear();
        QSignalSpy doubleClickSpy(&list, &QListWidget::itemDoubleClicked);
        const auto key = QKeyCombination::fromCombined(keys);
        QTest::keyClick(&list, key.key(), key.keyboardModifiers());
        const int selected = list.selectedIndex();
        QCOMPARE(selectionSpy.count(), selected == before ? 0 : 1);
        QCOMPARE(doubleClickSpy.count(), before >= 0 ? 1 : 0);
        if (after == PageBelowFirst) {
            // Where the view's own Page Down goes from the first entry.
            list.setCurrentRow(0);
            QTest::keyClick(&list, Qt::Key_PageDown);
            after = list.selectedIndex();
            QVERIFY(after > 1 && after < LastEntry);
        }
        QCOMPARE(selected, after);
    }

    void clickAfterRemovalSelectsAgain()
    {
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        addAll(desk, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        showList(list);
        click(list, 1);
        desk.removeGroup(1);
        QCOMPARE(list.selectedIndex(), -1);

        // Whichever entry the view now holds as current, a click on it is a selection.
        QSignalSpy selectionSpy(&list, &QListWidget::itemSelectionChanged);
        const int current = qMax(list.currentRow(), 0);
        click(list, current);
        QCOMPARE(selectionSpy.count(), 1);
        QCOMPARE(list.selectedIndex(), current);
    }

    void entriesCannotBeEdited()
    {
        DeskModel desk;
        SortedListBox list;
        list.watch(desk);
        addAll(desk, {QStringLiteral("a"), QStringLiteral("b")});
        showList(list);
        QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!(list.item(0)->flags() & Qt::ItemIsEditable));

        doubleClick(list, 0);
        QTest::keyClick(list.viewport(), Qt::Key_F2);
        QVERIFY(list.findChildren<QLineEdit *>().isEmpty());
        QCOMPARE(list.name(0), QStringLiteral("a"));
    }
};

QTEST_MAIN(tst_SortedListBox)
#include "tst_sortedlistbox.moc"
