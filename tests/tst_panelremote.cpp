#include "panel/panelwindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Remote control's hand on a real window, with the refresh timer stopped so that the
// send marks stay to be looked at.
class tst_PanelRemote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void moveLamp_data();
    void moveLamp();
    void selectGroupChecksExactlyItsLamps();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PanelWindow> m_window;
    bool isChecked(int lamp) const
    {
        return m_window->findChild<QCheckBox *>(QStringLiteral("LampCheckbox%1").arg(lamp))
            ->isChecked();
    }
};

void tst_PanelRemote::init()
{
    m_window.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    const QString path = m_dir->filePath(QStringLiteral("Kelvaris.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Kelvaris]\nSerialDevice=/nonexistent/tty\nGroup1=Back\nCode1=128\n"
               "Group2=Front\nCode2=5\n");
    file.close();
    m_window = std::make_unique<PanelWindow>(path);
    m_window->load(); // 8 lamps
    m_window->findChild<QTimer *>(QStringLiteral("RefreshTimer"))->stop();
}

void tst_PanelRemote::moveLamp_data()
{
    QTest::addColumn<QList<int>>("held"); // moved to the level before the lamps are linked
    QTest::addColumn<QList<int>>("linked");
    QTest::addColumn<int>("lamp");
    QTest::addColumn<QList<int>>("moved"); // at level 100 and marked for sending

    QTest::newRow("unlinked lamp moves alone")
        << QList<int> {} << QList<int> {2, 5} << 3 << QList<int> {3};
    QTest::newRow("linked lamp moves the others")
        << QList<int> {} << QList<int> {2, 5, 7} << 5 << QList<int> {2, 5, 7};
    QTest::newRow("hidden linked lamp stays")
        << QList<int> {} << QList<int> {2, 10} << 2 << QList<int> {2};
    QTest::newRow("level held is sent again")
        << QList<int> {4} << QList<int> {} << 4 << QList<int> {4};
    QTest::newRow("level held brings linked lamps into line")
        << QList<int> {2} << QList<int> {2, 5} << 2 << QList<int> {2, 5};
}

void tst_PanelRemote::moveLamp()
{
    QFETCH(QList<int>, held);
    QFETCH(QList<int>, linked);
    QFETCH(int, lamp);
    QFETCH(QList<int>, moved);
    constexpr int Level = 100;

    RemotePanel &remote = m_window->remote();
    for (int each : held)
        remote.moveLamp(each, Level);
    for (int each : linked)
        remote.setLampLinked(each, true);
    for (int each = 0; each < 16; ++each)
        m_window->bank().clearSendMark(each);

    remote.moveLamp(lamp, Level);
    for (int each = 0; each < 16; ++each) {
        QCOMPARE(isChecked(each), linked.contains(each));
        QCOMPARE(remote.isLampLinked(each), linked.contains(each));
        QCOMPARE(remote.lampLevel(each), moved.contains(each) ? Level : 0);
        QCOMPARE(m_window->bank().isMarkedForSending(each), moved.contains(each));
    }
}

void tst_PanelRemote::selectGroupChecksExactlyItsLamps()
{
    RemotePanel &remote = m_window->remote();
    QCOMPARE(remote.groupNames(), QStringList({"Back", "Front"}));
    remote.setLampLinked(5, true);

    remote.selectGroup(1); // Front: lamps 0 and 2
    for (int lamp = 0; lamp < 16; ++lamp) {
        QCOMPARE(remote.isLampLinked(lamp), lamp == 0 || lamp == 2);
        QVERIFY(!m_window->bank().isMarkedForSending(lamp));
    }
    // Selected as a click selects it: the operator may remove it now.
    QVERIFY(m_window->findChild<QPushButton *>(QStringLiteral("RemoveGroupButton"))->isEnabled());

    remote.deselectAll();
    for (int lamp = 0; lamp < 16; ++lamp)
        QVERIFY(!isChecked(lamp));
}

QTEST_MAIN(tst_PanelRemote)
#include "tst_panelremote.moc"
