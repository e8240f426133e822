#include "dialoganswerer.h"
#include "fakegroupdialogs.h"
#include "groups/lamplooks.h"
#include "lamps/lampcommand.h"
#include "oscdatagram.h"
#include "panel/lampdisplay.h"
#include "panel/lampslider.h"
#include "panel/lookswindow.h"
#include "panel/paneldesign.h"
#include "panel/panelwindow.h"
#include "pseudoterminal.h"
#include "remoteapi/remotecontrol.h"
#include "remoteapi/remotecontrolsettings.h"

#include <QAccessible>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

namespace {

constexpr int TwipsPerPixel = 15;

QRect inTwips(const QWidget *widget)
{
    const QRect r = widget->geometry();
    return {r.x() * TwipsPerPixel, r.y() * TwipsPerPixel, r.width() * TwipsPerPixel,
            r.height() * TwipsPerPixel};
}

} // namespace

class tst_PanelWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void designGeometry_data();
    void designGeometry();
    void designState();
    void sliderSettings();
    void keysMoveTheThumbTowardsTheTop_data();
    void keysMoveTheThumbTowardsTheTop();
    void wheelUpMovesTheThumbUp();
    void clickInTheChannelMovesALargeChange();
    void levelAndIndicatorFollowTheSlider();
    void pointerMotionNeedsAButton();
    void tabOrder();
    void accessKeys();
    void disabledButtonIgnoresItsKey();

    void startUpLaysOutTheStoredCount();
    void lampCopiesHaveLampZerosSizes();
    void lampsShownLaterKeepTheirStateAndTabPlace();
    void oscMovesASliderAsTheOperatorDoes();
    void releasingRemoteControlLetsGoOfItsSockets();
    void lampNamesAndAReadablePassword();
    void pickingACountReArrangesAndStoresIt();
    void defineGroupWithoutCheckedLampShowsTheMessage();
    void groupsWithKeysAndMouseSurviveARestart();
    void groupListFirstKeySelectsAnEnd();

    void lineStartsAfterTheFirstFrameOrTick_data();
    void lineStartsAfterTheFirstFrameOrTick();
    void levelTipSaysWhetherItIsSent();
    void titleTellsAClosedPortWhileReopening();
    void accessibleNames();
    void looksWindowStoresRecallsAndBlacksOut();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PanelWindow> m_form;
    PanelEngine &engine() const { return *m_form->findChild<PanelEngine *>(); }

    QString settingsPath() const { return m_dir->filePath(QStringLiteral("Kelvaris.ini")); }
    void writeSettings(const QByteArray &content);
    template<typename T> T *child(const QString &name) const
    {
        auto *widget = m_form->findChild<T *>(name);
        if (!widget)
            qFatal("no child %s", qPrintable(name));
        return widget;
    }
    LampSlider *slider(int lamp) const
    {
        return child<LampSlider>(QStringLiteral("LampSlider%1").arg(lamp));
    }
    QCheckBox *checkbox(int lamp) const
    {
        return child<QCheckBox>(QStringLiteral("LampCheckbox%1").arg(lamp));
    }
    LampDisplay *display(int lamp) const
    {
        return child<LampDisplay>(QStringLiteral("LampDisplay%1").arg(lamp));
    }
    QColor fill(int lamp) const { return display(lamp)->grab().toImage().pixelColor(5, 5); }
    void showActive();
    void hover(QWidget *widget);
};

void tst_PanelWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // No serial device here: nothing must reach a real port from a test.
    writeSettings("[Kelvaris]\nSerialDevice=" + m_dir->filePath(QStringLiteral("none")).toUtf8()
                  + "\n");
    m_form = std::make_unique<PanelWindow>(settingsPath());
}

void tst_PanelWindow::cleanup()
{
    m_form.reset();
    m_dir.reset();
}

void tst_PanelWindow::writeSettings(const QByteArray &content)
{
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void tst_PanelWindow::showActive()
{
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void tst_PanelWindow::hover(QWidget *widget)
{
    // What the application sends when the pointer has rested on a control.
    const QPoint inside = widget->rect().center();
    QHelpEvent help(QEvent::ToolTip, inside, widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &help);
}

void tst_PanelWindow::designGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("GroupListLabel") << "GroupListLabel" << QRect(120, 240, 1935, 255);
    QTest::newRow("GroupList") << "GroupList" << QRect(120, 480, 1935, 3375);
    QTest::newRow("DefineGroupButton") << "DefineGroupButton" << QRect(360, 2160, 1455, 375);
    QTest::newRow("RemoveGroupButton") << "RemoveGroupButton" << QRect(360, 2640, 1455, 375);
    QTest::newRow("SelectGroupButton") << "SelectGroupButton" << QRect(360, 3120, 1455, 375);
    QTest::newRow("DeselectAllButton") << "DeselectAllButton" << QRect(360, 4440, 1455, 375);
    QTest::newRow("LampCountLabel") << "LampCountLabel" << QRect(480, 5100, 615, 255);
    QTest::newRow("LampCountList") << "LampCountList" << QRect(1200, 5040, 675, 315);
    QTest::newRow("LampSlider0") << "LampSlider0" << QRect(2280, 780, 630, 2895);
    QTest::newRow("LampCheckbox0") << "LampCheckbox0" << QRect(2490, 3660, 195, 255);
    QTest::newRow("LampLabel0") << "LampLabel0" << QRect(2160, 120, 855, 255);
    QTest::newRow("LampDisplay0") << "LampDisplay0" << QRect(2280, 360, 615, 375);
}

void tst_PanelWindow::designGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);

    QCOMPARE(inTwips(child<QWidget>(name)), twips);
}

void tst_PanelWindow::designState()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Kelvaris Control Panel"));
    QCOMPARE(m_form->size() * TwipsPerPixel, QSize(9480, 6465));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMinimizeButtonHint));

    const QStringList captions {child<QLabel>(QStringLiteral("GroupListLabel"))->text(),
                                child<QPushButton>(QStringLiteral("DefineGroupButton"))->text(),
                                child<QPushButton>(QStringLiteral("RemoveGroupButton"))->text(),
                                child<QPushButton>(QStringLiteral("SelectGroupButton"))->text(),
                                child<QPushButton>(QStringLiteral("DeselectAllButton"))->text(),
                                child<QLabel>(QStringLiteral("LampCountLabel"))->text(),
                                child<QLabel>(QStringLiteral("LampLabel0"))->text()};
    const QStringList expected {"Lamp &Groups",  "&Define Group", "&Remove Group", "&Select Group",
                                "Deselect &All", "&Lamp(s):",     "LAMP0"};
    QCOMPARE(captions, expected);

    QVERIFY(child<QPushButton>(QStringLiteral("DefineGroupButton"))->isEnabled());
    QVERIFY(!child<QPushButton>(QStringLiteral("RemoveGroupButton"))->isEnabled());
    QVERIFY(!child<QPushButton>(QStringLiteral("SelectGroupButton"))->isEnabled());
    QVERIFY(child<QPushButton>(QStringLiteral("DeselectAllButton"))->isEnabled());
    QCOMPARE(child<QListWidget>(QStringLiteral("GroupList"))->count(), 0);
    QCOMPARE(child<QComboBox>(QStringLiteral("LampCountList"))->count(), 0);
    QCOMPARE(child<QComboBox>(QStringLiteral("LampCountList"))->currentIndex(), -1);
    QVERIFY(!child<QComboBox>(QStringLiteral("LampCountList"))->isEditable());
    QVERIFY(!checkbox(0)->isChecked());
    QVERIFY(checkbox(0)->text().isEmpty());
    QCOMPARE(slider(0)->value(), 255);
    QCOMPARE(m_form->findChildren<LampSlider *>().size(), 1);

    // Nothing propagates until the first layout.
    QCOMPARE(engine().desk().lampCount(), 0);
}

void tst_PanelWindow::sliderSettings()
{
    const LampSlider *s = slider(0);
    QCOMPARE(s->orientation(), Qt::Vertical);
    QCOMPARE(s->minimum(), 0);
    QCOMPARE(s->maximum(), 255);
    QCOMPARE(s->singleStep(), 1);
    QCOMPARE(s->pageStep(), 64);
    QCOMPARE(s->tickPosition(), QSlider::TicksBothSides);
    QCOMPARE(s->tickInterval(), 64);
    // The minimum is drawn at the top.
    QVERIFY(s->invertedAppearance());
}

void tst_PanelWindow::keysMoveTheThumbTowardsTheTop_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("value");

    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 191;
    QTest::newRow("Up") << int(Qt::Key_Up) << 254;
}

void tst_PanelWindow::keysMoveTheThumbTowardsTheTop()
{
    QFETCH(int, key);
    QFETCH(int, value);

    m_form->load();
    showActive();
    slider(0)->setFocus();
    QTest::keyClick(slider(0), Qt::Key(key));

    QCOMPARE(slider(0)->value(), value);
    QCOMPARE(engine().desk().level(0), 255 - value);
    QCOMPARE(fill(0), QColor(255 - value, 255 - value, 255 - value));

    // And back down again.
    QTest::keyClick(slider(0), key == Qt::Key_Up ? Qt::Key_Down : Qt::Key_PageDown);
    QCOMPARE(slider(0)->value(), 255);
}

void tst_PanelWindow::wheelUpMovesTheThumbUp()
{
    m_form->load();
    showActive();
    LampSlider *s = slider(0);
    const QPoint centre = s->rect().center();
    QWheelEvent wheel(centre, s->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &wheel);

    QVERIFY(s->value() < 255);
    QCOMPARE(engine().desk().level(0), 255 - s->value());
}

void tst_PanelWindow::clickInTheChannelMovesALargeChange()
{
    m_form->load();
    showActive();
    LampSlider *s = slider(0);
    // Near the top of the channel, well above the thumb at the bottom.
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(s->width() / 2, s->height() / 8));
    QTRY_COMPARE(s->value(), 191);
    QCOMPARE(engine().desk().level(0), 64);
}

void tst_PanelWindow::levelAndIndicatorFollowTheSlider()
{
    m_form->load();
    slider(0)->setValue(0);
    QCOMPARE(engine().desk().level(0), 255);
    QCOMPARE(fill(0), QColor(Qt::white));
    QVERIFY(engine().desk().isDue(0));

    slider(0)->setValue(255);
    QCOMPARE(engine().desk().level(0), 0);
    QCOMPARE(fill(0), QColor(Qt::black));
}

void tst_PanelWindow::pointerMotionNeedsAButton()
{
    m_form->load();
    LampSlider *s = slider(3);
    {
        // A value the slider took without reporting it.
        const QSignalBlocker blocker(s);
        s->setValue(100);
    }
    const QPointF at(5, 5);
    QMouseEvent hover(QEvent::MouseMove, at, s->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(s, &hover);
    QCOMPARE(engine().desk().level(3), 0);
    QVERIFY(!engine().desk().isDue(3));

    QMouseEvent drag(QEvent::MouseMove, at, s->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(s, &drag);
    QCOMPARE(engine().desk().level(3), 155);
    QVERIFY(engine().desk().isDue(3));
}

void tst_PanelWindow::tabOrder()
{
    showActive();
    QStringList visited;
    child<QWidget>(QStringLiteral("GroupList"))->setFocus();
    for (int k = 0; k < 7; ++k) {
        visited.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited,
             QStringList({"GroupList", "DefineGroupButton", "DeselectAllButton", "LampCountList",
                          "LampSlider0", "LampCheckbox0", "GroupList"}));
}

void tst_PanelWindow::accessKeys()
{
    m_form->load();
    showActive();
    child<QWidget>(QStringLiteral("LampSlider0"))->setFocus();
    QTest::keyClick(m_form.get(), Qt::Key_G, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("GroupList"));
    checkbox(0)->setChecked(true);
    checkbox(5)->setChecked(true);
    // A button's access key presses it the way a click does, released a moment later.
    QTest::keyClick(m_form.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(!checkbox(0)->isChecked());
    QVERIFY(!checkbox(5)->isChecked());

    QTest::keyClick(m_form.get(), Qt::Key_L, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("LampCountList"));
    checkbox(1)->setChecked(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(!checkbox(1)->isChecked());
}

void tst_PanelWindow::disabledButtonIgnoresItsKey()
{
    writeSettings("[Kelvaris]\nGroup1=Front\nCode1=3\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    showActive();
    auto *list = child<QListWidget>(QStringLiteral("GroupList"));
    {
        // Selected without the list's notification: the buttons stay disabled.
        const QSignalBlocker blocker(list);
        list->setCurrentRow(0);
    }
    DialogAnswerer answerer(QMessageBox::No);
    QTest::keyClick(m_form.get(), Qt::Key_R, Qt::AltModifier);
    QTest::keyClick(m_form.get(), Qt::Key_S, Qt::AltModifier);
    QTest::qWait(300);
    QVERIFY(!answerer.answered());
    QVERIFY(!checkbox(0)->isChecked());
    QCOMPARE(list->count(), 1);
}

void tst_PanelWindow::startUpLaysOutTheStoredCount()
{
    writeSettings("[Kelvaris]\nLampCount=12\nSerialDevice=/nonexistent/tty\n");
    m_form->load();

    auto *combo = child<QComboBox>(QStringLiteral("LampCountList"));
    QCOMPARE(combo->count(), 16);
    QCOMPARE(combo->itemText(0), QStringLiteral(" 1 "));
    QCOMPARE(combo->itemText(15), QStringLiteral(" 16 "));
    QCOMPARE(combo->currentIndex(), 11);
    QCOMPARE(engine().desk().lampCount(), 12);
    QCOMPARE(m_form->width() * TwipsPerPixel + PanelDesign::FrameWidth, 7680);
    QCOMPARE(m_form->height() * TwipsPerPixel + PanelDesign::FrameHeight, 6840);
    QCOMPARE(inTwips(child<QWidget>(QStringLiteral("LampLabel7"))).topLeft(), QPoint(3060, 3300));
    QCOMPARE(child<QLabel>(QStringLiteral("LampLabel11"))->text(), QStringLiteral("LAMP11"));
    for (int lamp = 0; lamp < 16; ++lamp) { // beyond the count there may be no slider yet
        const auto *s = m_form->findChild<LampSlider *>(QStringLiteral("LampSlider%1").arg(lamp));
        QCOMPARE(s && s->isVisibleTo(m_form.get()), lamp < 12);
    }
    // Start-up changes no slider, so nothing is marked; the rotation sends the levels.
    for (int lamp = 0; lamp < 16; ++lamp)
        QVERIFY(!engine().desk().isDue(lamp));
    QVERIFY(!engine().serialLink().isOpen());
}

void tst_PanelWindow::lampCopiesHaveLampZerosSizes()
{
    writeSettings("[Kelvaris]\nLampCount=16\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    for (int lamp = 1; lamp < 16; ++lamp) {
        QCOMPARE(inTwips(child<QWidget>(QStringLiteral("LampLabel%1").arg(lamp))).size(),
                 QSize(855, 255));
        QCOMPARE(inTwips(display(lamp)).size(), QSize(615, 375));
        QCOMPARE(inTwips(slider(lamp)).width(), 630);
        QCOMPARE(inTwips(checkbox(lamp)).size(), QSize(195, 255));
        QCOMPARE(slider(lamp)->pageStep(), 64);
        QVERIFY(slider(lamp)->invertedAppearance());
    }
}

void tst_PanelWindow::lampsShownLaterKeepTheirStateAndTabPlace()
{
    writeSettings("[Kelvaris]\nLampCount=4\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    showActive();
    // Hidden lamps, before any count has shown them: a move still reaches the bank.
    engine().desk().moveLamp(9, 100);
    QCOMPARE(engine().desk().level(9), 100);
    QVERIFY(engine().desk().isDue(9));
    engine().desk().setLinked(15, true);

    QTest::keyClick(child<QComboBox>(QStringLiteral("LampCountList")), Qt::Key_End);
    QCOMPARE(slider(9)->value(), 155);
    QCOMPARE(fill(9), QColor(100, 100, 100));
    QVERIFY(checkbox(15)->isChecked() && !checkbox(14)->isChecked());

    // Tab goes lamp by lamp, slider then check box, those made at start-up and later alike.
    slider(0)->setFocus();
    for (int lamp = 0; lamp < 16; ++lamp) {
        QCOMPARE(QApplication::focusWidget(), slider(lamp));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), checkbox(lamp));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

void tst_PanelWindow::oscMovesASliderAsTheOperatorDoes()
{
    const quint16 port = OscDatagram::freeLoopbackPort();
    QVERIFY(port != 0);
    writeSettings("[Kelvaris]\nSerialDevice=/nonexistent/tty\n");
    m_form->load(); // 8 lamps
    // The module the panel would load for OscPort, from beside the built panel.
    PanelRemote remote(engine().desk(), engine().looks());
    RemoteControlLoader loader;
    auto *remoteControl = loader.load(QFileInfo(QStringLiteral(KELVARIS_EXECUTABLE)).path());
    QVERIFY(remoteControl);
    RemoteControlSettings settings;
    settings.oscPort = port;
    remoteControl->start(remote, settings);
    // The marks are looked at here, not sent.
    child<QTimer>(QStringLiteral("RefreshTimer"))->stop();
    showActive();
    QTest::mouseClick(checkbox(2), Qt::LeftButton);
    QTest::mouseClick(checkbox(5), Qt::LeftButton);

    QUdpSocket sender;
    auto send = [&](int lamp, int level) {
        const QByteArray datagram
            = OscDatagram::message("/kelvaris/lamp/" + QByteArray::number(lamp), 'i', level);
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
    };

    // Lamp 2 moves; checked lamp 5 follows it, unchecked lamp 3 stays.
    send(2, 100);
    QTRY_COMPARE(slider(2)->value(), 155);
    QCOMPARE(slider(5)->value(), 155);
    QCOMPARE(slider(3)->value(), 255);
    for (int lamp : {2, 5}) {
        QCOMPARE(engine().desk().level(lamp), 100);
        QCOMPARE(fill(lamp), QColor(100, 100, 100));
        QVERIFY(engine().desk().isDue(lamp));
    }
    QVERIFY(!engine().desk().isDue(3));

    // Lamp 5 drifts away while unchecked. A move of lamp 2 to the level it holds
    // still marks it and brings the checked lamps into line, as a drag onto the
    // same spot does.
    QTest::mouseClick(checkbox(5), Qt::LeftButton);
    slider(5)->setValue(0);
    QCOMPARE(slider(2)->value(), 155); // an unchecked lamp moves alone
    QTest::mouseClick(checkbox(5), Qt::LeftButton);
    for (int lamp = 0; lamp < 8; ++lamp)
        engine().desk().clearDue(lamp);
    send(2, 100);
    QTRY_COMPARE(slider(5)->value(), 155);
    QVERIFY(engine().desk().isDue(2));
    QVERIFY(engine().desk().isDue(5));
    QCOMPARE(engine().desk().level(5), 100);

    // A lamp beyond the count is not there to move; a later message still is.
    send(8, 1);
    send(0, 1);
    QTRY_COMPARE(slider(0)->value(), 254);
    QCOMPARE(engine().desk().level(8), 0);
    QVERIFY(!engine().desk().isDue(8));
}

// The module's object goes with release() (and the loader), not only when the
// library is unloaded: after it nothing listens and nothing holds the panel.
void tst_PanelWindow::releasingRemoteControlLetsGoOfItsSockets()
{
    const quint16 port = OscDatagram::freeLoopbackPort();
    QVERIFY(port != 0);
    writeSettings("[Kelvaris]\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    const auto canBind = [port] {
        QUdpSocket probe;
        return probe.bind(QHostAddress::LocalHost, port, QAbstractSocket::DontShareAddress);
    };
    const QString folder = QFileInfo(QStringLiteral(KELVARIS_EXECUTABLE)).path();
    RemoteControlSettings settings;
    settings.oscPort = port;
    PanelRemote remote(engine().desk(), engine().looks());
    {
        RemoteControlLoader loader;
        auto *remoteControl = loader.load(folder);
        QVERIFY(remoteControl);
        remoteControl->start(remote, settings);
        QVERIFY(!canBind());
        loader.release();
        QVERIFY(canBind());
        // Loaded again, a new object; the loader's end deletes it.
        loader.load(folder)->start(remote, settings);
        QVERIFY(!canBind());
    }
    QVERIFY(canBind());
}

// Names go to the faders' spoken names; a password other users can read is warned of.
void tst_PanelWindow::lampNamesAndAReadablePassword()
{
    writeSettings("[Kelvaris]\nSerialDevice=/nonexistent/tty\nLampName1=Spot\nWebPassword=x\n");
    QVERIFY(QFile::setPermissions(settingsPath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                      | QFile::ReadOther));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("holds WebPassword and other users "
                                            "can read it: chmod 600 .*Kelvaris"));
    m_form->load();
    QCOMPARE(slider(1)->accessibleName(), QString("LAMP1 Spot"));
    QCOMPARE(checkbox(1)->accessibleName(), QString("Link LAMP1 Spot"));
    QCOMPARE(slider(0)->accessibleName(), QString("LAMP0"));
}

void tst_PanelWindow::pickingACountReArrangesAndStoresIt()
{
    m_form->load(); // 8 lamps
    showActive();
    auto *combo = child<QComboBox>(QStringLiteral("LampCountList"));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);

    QCOMPARE(engine().desk().lampCount(), 9);
    QVERIFY(slider(8)->isVisibleTo(m_form.get()));
    QCOMPARE(inTwips(combo).topLeft(), QPoint(1110, 5940));
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("LampCount=9"));
}

void tst_PanelWindow::defineGroupWithoutCheckedLampShowsTheMessage()
{
    m_form->load();
    showActive();
    DialogAnswerer answerer(QMessageBox::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("DefineGroupButton")), Qt::LeftButton);

    QCOMPARE(answerer.last().title, QStringLiteral("Kelvaris Control Panel"));
    QVERIFY(answerer.last().text.startsWith(
        QStringLiteral("Lamp groups must contain at least one selected lamp.")));
    QCOMPARE(child<QListWidget>(QStringLiteral("GroupList"))->count(), 0);
}

void tst_PanelWindow::groupsWithKeysAndMouseSurviveARestart()
{
    m_form->load();
    showActive();
    auto *list = child<QListWidget>(QStringLiteral("GroupList"));

    // Define "Front" (lamps 0 and 2) with Alt+D and "Back" (lamp 7) with a click.
    checkbox(0)->setChecked(true);
    checkbox(2)->setChecked(true);
    {
        DialogAnswerer typer(QStringLiteral("Front"));
        QTest::keyClick(m_form.get(), Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(typer.answered());
    }
    QTRY_COMPARE(list->count(), 1);
    child<QPushButton>(QStringLiteral("DeselectAllButton"))->click();
    checkbox(7)->setChecked(true);
    {
        DialogAnswerer typer(QStringLiteral("Back"));
        QTest::mouseClick(child<QPushButton>(QStringLiteral("DefineGroupButton")), Qt::LeftButton);
        QVERIFY(typer.answered());
    }
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Back"));

    // A restart finds both again.
    m_form.reset();
    m_form = std::make_unique<PanelWindow>(settingsPath());
    m_form->load();
    showActive();
    list = child<QListWidget>(QStringLiteral("GroupList"));
    QCOMPARE(list->count(), 2);
    QVERIFY(!child<QPushButton>(QStringLiteral("SelectGroupButton"))->isEnabled());

    // Double-clicking "Front" checks exactly lamps 0 and 2, and moves no fader.
    checkbox(5)->setChecked(true);
    const QRect front = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, front.center());
    QVERIFY(child<QPushButton>(QStringLiteral("SelectGroupButton"))->isEnabled());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, front.center());
    for (int lamp = 0; lamp < 16; ++lamp) {
        QCOMPARE(engine().desk().isLinked(lamp), lamp == 0 || lamp == 2);
        QCOMPARE(engine().desk().level(lamp), 0);
        QVERIFY(!engine().desk().isDue(lamp));
    }

    // Alt+R removes it after a Yes.
    {
        DialogAnswerer answerer(QMessageBox::Yes);
        QTest::keyClick(m_form.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(answerer.answered());
        QVERIFY(answerer.last().text.endsWith(QStringLiteral("the lamp group 'Front'?")));
    }
    QTRY_COMPARE(list->count(), 1);
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY(stored.contains("Group1=Back\nCode1=128\nGroup2=\nCode2=\n"));
}

void tst_PanelWindow::groupListFirstKeySelectsAnEnd()
{
    writeSettings("[Kelvaris]\nGroup1=Alpha\nCode1=1\nGroup2=Beta\nCode2=2\nGroup3=Gamma\nCode3=4\n"
                  "SerialDevice=/nonexistent/tty\n");
    m_form->load();
    showActive();
    auto *list = child<QListWidget>(QStringLiteral("GroupList"));
    auto *remove = child<QPushButton>(QStringLiteral("RemoveGroupButton"));

    // Alt+G then Up: the last group, selected as a click would select it.
    QTest::keyClick(m_form.get(), Qt::Key_G, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentRow(), 2);
    QCOMPARE(list->selectedItems().size(), 1);
    QVERIFY(remove->isEnabled());

    // After removing it nothing is current, so Down starts at the first group.
    {
        DialogAnswerer answerer(QMessageBox::Yes);
        QTest::keyClick(m_form.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(answerer.answered());
    }
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), -1);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->selectedItems().value(0)->text(), QStringLiteral("Alpha"));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->selectedItems().value(0)->text(), QStringLiteral("Beta"));
}

void tst_PanelWindow::lineStartsAfterTheFirstFrameOrTick_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("first frame, ticks stopped") << true;
    QTest::newRow("first tick, never shown") << false;
}

void tst_PanelWindow::lineStartsAfterTheFirstFrameOrTick()
{
    QFETCH(bool, shown);
    PseudoTerminal line;
    QVERIFY(line.isValid());
    writeSettings("[Kelvaris]\nLampCount=4\nSerialDevice=" + line.devicePath().toUtf8() + "\n");
    m_form = std::make_unique<PanelWindow>(settingsPath());
    QApplication::setWindowIcon({}); // an earlier window's
    m_form->load(PanelWindow::LineStart::AfterFirstFrame);
    QVERIFY(!engine().serialLink().isOpen() && m_form->windowIcon().isNull());
    slider(2)->setValue(0); // sent once the line has started
    if (shown) {
        child<QTimer>(QStringLiteral("RefreshTimer"))->stop();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    QTRY_VERIFY(engine().serialLink().isOpen() && !m_form->windowIcon().isNull());
    // The first tick sends it, with the lamp the rotation has reached.
    if (!shown)
        QVERIFY(line.read(2 * LampCommand::Size, std::chrono::seconds(5))
                    .contains(LampCommand::encode(2, LampCommand::MaxLevel)));
}

void tst_PanelWindow::levelTipSaysWhetherItIsSent()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    writeSettings("[Kelvaris]\nLampCount=4\nSerialDevice=" + line.devicePath().toUtf8() + "\n");
    m_form = std::make_unique<PanelWindow>(settingsPath());
    m_form->load();
    showActive();
    QVERIFY(engine().serialLink().isOpen());

    slider(3)->setValue(55);
    hover(slider(3));
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("LAMP3: 200 (78 %)"));

    // The device goes away: the next tick's write finds it gone and the port closes.
    line.closeMaster();
    QTRY_VERIFY(!engine().serialLink().isOpen());
    // Without reopening, the title stays as it is.
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Kelvaris Control Panel"));
    const QString notSent
        = QStringLiteral("\nNot sent: serial port %1 is closed").arg(line.devicePath());
    hover(display(3));
    QCOMPARE(QToolTip::text(), QStringLiteral("LAMP3: 200 (78 %)") + notSent);

    // A move while the tip is up, as a linked lamp or the program makes, updates it.
    slider(3)->setValue(127);
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("LAMP3: 128 (50 %)") + notSent);
    // Another lamp's move leaves it alone.
    slider(2)->setValue(0);
    QCOMPARE(QToolTip::text(), QStringLiteral("LAMP3: 128 (50 %)") + notSent);
    QToolTip::hideText();
}

void tst_PanelWindow::titleTellsAClosedPortWhileReopening()
{
    const QString device = m_dir->filePath(QStringLiteral("usb-adapter"));
    writeSettings("[Kelvaris]\nReopenPort=1\nSerialDevice=" + device.toUtf8() + "\n");
    m_form->load();
    const QString title = QStringLiteral("Kelvaris Control Panel");
    const QString closed = title + QString::fromUtf8(" — serial port closed, retrying");
    QCOMPARE(m_form->windowTitle(), closed);

    // Plugged in, then pulled out: the link's name comes and goes, the line hangs up.
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(QFile::link(line.devicePath(), device));
    QTRY_COMPARE(m_form->windowTitle(), title);
    QVERIFY(QFile::remove(device));
    line.closeMaster();
    QTRY_COMPARE(m_form->windowTitle(), closed);
}

void tst_PanelWindow::accessibleNames()
{
    writeSettings("[Kelvaris]\nLampCount=4\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    showActive();
    const auto textOf = [](QWidget *widget, QAccessible::Text kind) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(kind) : QStringLiteral("(none)");
    };

    QCOMPARE(textOf(child<QWidget>(QStringLiteral("GroupList")), QAccessible::Name),
             QStringLiteral("Lamp Groups"));
    // On Linux Qt names a drop-down list after its current entry and screen readers take
    // its name from the label it is labelled by; elsewhere the name is its own.
    auto *combo = child<QWidget>(QStringLiteral("LampCountList"));
    QCOMPARE(combo->accessibleName(), QStringLiteral("Lamp(s)"));
    QAccessibleInterface *comboAccessible = QAccessible::queryAccessibleInterface(combo);
    QVERIFY(comboAccessible);
    const auto labels = comboAccessible->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Lamp(s)"));
    // Lamp 15's controls are made when a count first shows them.
    QTest::keyClick(combo, Qt::Key_End);
    for (int lamp : {0, 3, 15}) {
        QCOMPARE(textOf(slider(lamp), QAccessible::Name), QStringLiteral("LAMP%1").arg(lamp));
        QCOMPARE(textOf(slider(lamp), QAccessible::Description), QStringLiteral("0"));
        QCOMPARE(textOf(checkbox(lamp), QAccessible::Name),
                 QStringLiteral("Link LAMP%1").arg(lamp));
    }

    // The description is the level, not the slider's value, also for a linked lamp.
    checkbox(1)->setChecked(true);
    checkbox(3)->setChecked(true);
    QTest::keyClick(slider(1), Qt::Key_PageUp);
    QCOMPARE(textOf(slider(1), QAccessible::Description), QStringLiteral("64"));
    QCOMPARE(textOf(slider(3), QAccessible::Description), QStringLiteral("64"));
    QCOMPARE(textOf(slider(2), QAccessible::Description), QStringLiteral("0"));
}

void tst_PanelWindow::looksWindowStoresRecallsAndBlacksOut()
{
    writeSettings("[Kelvaris]\nLampCount=4\nReopenPort=1\nSerialDevice=/nonexistent/tty\n");
    m_form->load();
    showActive();
    const QString closed = QStringLiteral("Kelvaris Control Panel")
        + QString::fromUtf8(" — serial port closed, retrying");
    QCOMPARE(m_form->windowTitle(), closed);

    // Ctrl+L opens it; its controls carry access keys and names.
    QTest::keyClick(m_form.get(), Qt::Key_L, Qt::ControlModifier);
    auto *looks = m_form->findChild<LooksWindow *>();
    QVERIFY(looks && looks->isVisible());
    QStringList keys;
    for (const QLabel *label : looks->findChildren<QLabel *>())
        keys << label->text() + QLatin1Char('>') + label->buddy()->accessibleName();
    for (const QPushButton *button : looks->findChildren<QPushButton *>())
        keys << button->text() + QLatin1Char('>') + button->accessibleName();
    QCOMPARE(keys.join(QLatin1Char(',')),
             QStringLiteral("&Looks:>Looks,&Fade time:>Fade time in seconds,&Blackout:>Blackout,"
                            "&Store Look...>Store Look,&Recall>Recall,Re&move Look>Remove Look,"
                            "Off>Blackout"));

    // Alt+B only moves the focus to Blackout; Space turns it on, and the title says so.
    QApplication::setActiveWindow(looks);
    QTest::keyClick(looks, Qt::Key_B, Qt::AltModifier);
    QVERIFY(looks->blackoutButton().hasFocus());
    QVERIFY(!engine().desk().isBlackout());
    QTest::keyClick(&looks->blackoutButton(), Qt::Key_Space);
    QVERIFY(engine().desk().isBlackout());
    QCOMPARE(m_form->windowTitle(), closed + QString::fromUtf8(" — blackout"));
    engine().desk().setBlackout(false);
    QVERIFY(!looks->blackoutButton().isChecked());
    QCOMPARE(looks->blackoutButton().text(), QStringLiteral("Off"));
    QCOMPARE(m_form->windowTitle(), closed);

    // Stored, listed sorted, recalled over a fade of 0 and removed, with the dialogs faked.
    FakeGroupDialogs dialogs;
    LooksWindow faked(engine().looks(), engine().desk(), std::chrono::milliseconds(0), nullptr,
                      &dialogs);
    slider(1)->setValue(PanelControls::sliderValueOf(200));
    dialogs.textAnswers << QStringLiteral("warm") << QStringLiteral("Cold");
    faked.storeLook();
    slider(1)->setValue(PanelControls::sliderValueOf(10));
    faked.storeLook();
    QCOMPARE(looks->lookList().count(), 2);
    QCOMPARE(looks->lookList().item(0)->text(), QStringLiteral("Cold"));
    faked.lookList().setCurrentRow(1);
    QCOMPARE(faked.fadeBox().value(), 0.0);
    faked.recallLook();
    QCOMPARE(engine().desk().level(1), 200);
    QCOMPARE(slider(1)->value(), PanelControls::sliderValueOf(200));
    dialogs.yesNoAnswers << true;
    faked.removeLook();
    QCOMPARE(engine().looks().looks().size(), 1);
    QCOMPARE(looks->lookList().item(0)->text(), QStringLiteral("Cold"));
}

QTEST_MAIN(tst_PanelWindow)
#include "tst_panelwindow.moc"
