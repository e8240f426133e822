// The real panel executable, started as a user starts it: a copy in its own folder
// with its settings file beside it, talking to a pseudo-terminal that stands in for
// the lamp controller's serial line.

#include "filebytes.h"
#include "lampcommandreader.h"
#include "lamps/refreshcycle.h"
#include "monitor/lampcommanddecoder.h"
#include "noserialportsenvironment.h"
#include "oscdatagram.h"
#include "panelini.h"
#include "panelprocess.h"
#include "processusage.h"
#include "pseudoterminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

#include <chrono>
#include <termios.h>

using namespace std::chrono_literals;

namespace {

const QString Monitor = QStringLiteral(KELVARIS_MONITOR);
constexpr std::chrono::milliseconds StartTimeout = PanelProcess::StartTimeout;
constexpr std::chrono::milliseconds Period = RefreshCycle::Period;
// Longer than the pause between two writes of the kept levels.
constexpr std::chrono::milliseconds KillAfterLastMove = 2500ms;
constexpr qsizetype AnyBacklog = 4096;

QString hexSocket(quint16 port)
{
    return QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

class tst_Kelvaris : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rotationReachesTheLine();
    void firstRunCreatesTheSettingsFile();
    void unopenablePortLeavesThePanelRunning();
    void monitorAsVirtualControllerSeesThePanel();
    void oscMessagesReachTheLine();
    void oscIsOffWithoutAPort_data();
    void oscIsOffWithoutAPort();
    void keptLevelsSurviveAKill();
    void lookFadesAndBlackoutReachTheLine();
    void mistakeOnTheCommandLineNeedsNoDisplay();
    void namedSettingsFileBesideQtOptions();
};

void tst_Kelvaris::rotationReachesTheLine()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    const auto before = line.lineSettings();
    QVERIFY(before.has_value());
    PanelProcess panel;
    const QByteArray settings = "; stage lights\n[Kelvaris]\nLampCount=4\nSerialDevice="
        + line.devicePath().toUtf8() + "\n";
    QVERIFY(panel.prepare(settings));
    QVERIFY(panel.start());

    LampCommandReader reader(line);
    const QList<LampCommandReader::Command> commands = reader.receive(9, StartTimeout);
    QCOMPARE(commands.size(), 9);

    // Lamps 1, 2, 3, 0, 1, ... at level 0, one a tick.
    for (int k = 0; k < commands.size(); ++k) {
        QCOMPARE(commands.at(k).lamp, (k + 1) % 4);
        QCOMPARE(commands.at(k).level, 0);
    }
    const qint64 span = (commands.last().atNs - commands.first().atNs) / 1'000'000;
    const qint64 ticks = commands.size() - 1;
    // Loose bounds: this only shows the commands come a tick apart, not how evenly.
    QVERIFY2(span > ticks * Period.count() / 2 && span < ticks * Period.count() * 2,
             qPrintable(QString::number(span)));
    QCOMPARE(reader.malformedBytes(), 0);

    // The line is set up as the controller expects while the panel holds it.
    const auto open = line.lineSettings();
    QVERIFY(open.has_value());
    QCOMPARE(cfgetospeed(&*open), speed_t(B9600));
    QCOMPARE(open->c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(open->c_cflag & PARENB));
    QVERIFY(!(open->c_cflag & CSTOPB));

    // Closing the window closes the port and ends the program normally. Closing the
    // port puts back the line settings the device had before it was opened; a
    // process that merely died would leave the panel's own settings behind.
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.process().exitCode(), 0);
    QVERIFY(line.read(1, 3 * Period).isEmpty());
    const auto after = line.lineSettings();
    QVERIFY(after.has_value());
    QCOMPARE(after->c_cflag, before->c_cflag);
    QCOMPARE(after->c_lflag, before->c_lflag);
    QCOMPARE(cfgetospeed(&*after), cfgetospeed(&*before));

    const QByteArray stored = panel.settings();
    QVERIFY(stored.startsWith("; stage lights\n[Kelvaris]\nLampCount=4\n"));
    QVERIFY(!stored.contains("SerialPort"));
}

void tst_Kelvaris::firstRunCreatesTheSettingsFile()
{
    PanelProcess panel;
    QVERIFY(panel.prepare(QByteArray()));
    QVERIFY(panel.start());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(panel.settingsPath()), int(StartTimeout.count()));
    QTRY_COMPARE_WITH_TIMEOUT(panel.settings(), QByteArray("[Kelvaris]\nLampCount=8\n"),
                              int(StartTimeout.count()));
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
}

void tst_Kelvaris::unopenablePortLeavesThePanelRunning()
{
    PanelProcess panel;
    QVERIFY(panel.prepare(PanelIni {3, QStringLiteral("/dev/kelvaris-no-such-tty")}.text()));
    panel.process().setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(panel.start());
    QTRY_VERIFY_WITH_TIMEOUT(panel.settings().contains("LampCount=3"), int(StartTimeout.count()));
    QTest::qWait(int(3 * Period.count()));
    QCOMPARE(panel.process().state(), QProcess::Running);
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
    // The window says nothing; the log says why.
    const QByteArray log = panel.process().readAllStandardError();
    QVERIFY2(log.contains("kelvaris.serial: serial port /dev/kelvaris-no-such-tty not opened: "
                          "no such device\n"),
             log.constData());
}

void tst_Kelvaris::monitorAsVirtualControllerSeesThePanel()
{
    // What scripts/demo does: the monitor plays the lamp controller, the panel drives it.
    QProcess monitor;
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.start(Monitor, {QStringLiteral("--virtual"), QStringLiteral("--log")});
    QVERIFY(monitor.waitForStarted(int(StartTimeout.count())));
    QTRY_VERIFY_WITH_TIMEOUT(monitor.canReadLine(), int(StartTimeout.count()));
    const QByteArray first = monitor.readLine().trimmed();
    QVERIFY2(first.startsWith("Device: /dev/"), first.constData());
    const QByteArray device = first.mid(int(qstrlen("Device: ")));

    PanelProcess panel;
    QVERIFY(panel.prepare(PanelIni {3, QString::fromUtf8(device)}.text()));
    QVERIFY(panel.start());

    // "<ms> L<lamp> <level>" for lamps 1, 2, 0, 1, 2, 0 at level 0; nothing malformed.
    QList<QByteArray> lines;
    QElapsedTimer clock;
    clock.start();
    while (lines.size() < 6 && clock.elapsed() < StartTimeout.count()) {
        if (!monitor.canReadLine()) {
            monitor.waitForReadyRead(int(Period.count()));
            continue;
        }
        lines.append(monitor.readLine().trimmed());
    }
    QCOMPARE(lines.size(), 6);
    for (int k = 0; k < lines.size(); ++k) {
        const QList<QByteArray> fields = lines.at(k).split(' ');
        QVERIFY2(fields.size() == 3, lines.at(k).constData());
        QCOMPARE(fields.at(1), "L" + QByteArray::number((k + 1) % 3));
        QCOMPARE(fields.at(2), QByteArray("0"));
    }

    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
    monitor.terminate();
    QVERIFY(monitor.waitForFinished(int(StartTimeout.count())));
    QCOMPARE(monitor.exitCode(), 0);
    QVERIFY(!monitor.readAll().contains("BAD"));
}

void tst_Kelvaris::oscMessagesReachTheLine()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    const quint16 port = OscDatagram::freeLoopbackPort();
    QVERIFY(port != 0);
    PanelProcess panel;
    QVERIFY(panel.prepare(
        PanelIni {4, line.devicePath(), "OscPort=" + QByteArray::number(port) + '\n'}.text()));
    QVERIFY(panel.start());
    LampCommandReader reader(line);
    // The rotation is running, so start-up is over and the panel listens.
    QCOMPARE(reader.receive(1, StartTimeout).size(), 1);
    QCOMPARE(ProcessUsage::udpSockets(panel.process().processId()), QStringList {hexSocket(port)});

    QUdpSocket sender;
    // Sends the datagram and collects the commands of the next ticks until every
    // expected lamp:level has come, or a few ticks have passed without it.
    auto exchange = [&](const QByteArray &datagram, QSet<QString> expected) {
        QVERIFY(sender.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size());
        QStringList seen;
        // A tick sends the rotation's lamp and the moved ones; the change lands
        // on the first tick after the datagram, or the one after that at worst.
        const int commandLimit = 2 * (1 + int(expected.size()));
        while (!expected.isEmpty() && seen.size() < commandLimit) {
            const QList<LampCommandReader::Command> commands = reader.receive(1, StartTimeout);
            QVERIFY(!commands.isEmpty());
            const QString word
                = QStringLiteral("%1:%2").arg(commands.first().lamp).arg(commands.first().level);
            seen.append(word);
            expected.remove(word);
        }
        QVERIFY2(expected.isEmpty(), qPrintable(seen.join(QLatin1Char(' '))));
    };

    exchange(OscDatagram::message("/kelvaris/lamp/2", 'i', 200), {QStringLiteral("2:200")});
    if (QTest::currentTestFailed())
        return;
    exchange(OscDatagram::message("/kelvaris/lamp/1", 'f', 0.5), {QStringLiteral("1:128")});
    if (QTest::currentTestFailed())
        return;
    exchange(OscDatagram::frame({OscDatagram::message("/kelvaris/lamp/3", 'i', 10),
                                 OscDatagram::message("/kelvaris/lamp/0", 'i', 20)}),
             {QStringLiteral("0:20"), QStringLiteral("3:10")});
    if (QTest::currentTestFailed())
        return;
    exchange(OscDatagram::message("/kelvaris/lamps", 'i', 77),
             {QStringLiteral("0:77"), QStringLiteral("1:77"), QStringLiteral("2:77"),
              QStringLiteral("3:77")});
    if (QTest::currentTestFailed())
        return;

    // Lamp 4 is beyond the count: nothing is sent for it, and nothing else moves.
    // Lamp 0's move, sent after it, shows the panel has read past it.
    const QByteArray beyond = OscDatagram::message("/kelvaris/lamp/4", 'i', 9);
    QCOMPARE(sender.writeDatagram(beyond, QHostAddress::LocalHost, port), beyond.size());
    const QByteArray marker = OscDatagram::message("/kelvaris/lamp/0", 'i', 1);
    QCOMPARE(sender.writeDatagram(marker, QHostAddress::LocalHost, port), marker.size());
    QElapsedTimer clock;
    clock.start();
    bool markerSeen = false;
    while (!markerSeen && clock.elapsed() < StartTimeout.count()) {
        for (const LampCommandReader::Command &command : reader.receive(1, Period)) {
            QVERIFY(command.lamp < 4);
            QVERIFY(command.level != 9);
            markerSeen = markerSeen || (command.lamp == 0 && command.level == 1);
        }
    }
    QVERIFY(markerSeen);

    // Remote control never answers.
    QVERIFY(!sender.hasPendingDatagrams());
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
    QCOMPARE(reader.malformedBytes(), 0);
}

void tst_Kelvaris::oscIsOffWithoutAPort_data()
{
    QTest::addColumn<QByteArray>("portLine");
    QTest::addColumn<bool>("occupied");
    QTest::addColumn<bool>("withoutModule");

    QTest::newRow("missing") << QByteArray() << false << false;
    QTest::newRow("0") << QByteArray("OscPort=0\n") << false << false;
    QTest::newRow("too large") << QByteArray("OscPort=70000\n") << false << false;
    QTest::newRow("in use elsewhere") << QByteArray("OscPort=@PORT@\n") << true << false;
    // Fails closed: a sender list that does not parse never lets everyone in.
    QTest::newRow("allow list not addresses")
        << QByteArray("OscPort=@FREE@\nOscAllow=10.0.0.300\n") << false << false;
    QTest::newRow("remote module missing") << QByteArray("OscPort=@FREE@\n") << false << true;
}

void tst_Kelvaris::oscIsOffWithoutAPort()
{
    QFETCH(QByteArray, portLine);
    QFETCH(bool, occupied);
    QFETCH(bool, withoutModule);

    QUdpSocket holder;
    if (occupied) {
        QVERIFY(holder.bind(QHostAddress::LocalHost, 0));
        portLine.replace("@PORT@", QByteArray::number(holder.localPort()));
    }
    portLine.replace("@FREE@", QByteArray::number(OscDatagram::freeLoopbackPort()));
    PseudoTerminal line;
    QVERIFY(line.isValid());
    PanelProcess panel;
    QVERIFY(panel.prepare(PanelIni {2, line.devicePath(), portLine}.text()));
    if (withoutModule)
        QVERIFY(QFile::remove(panel.remoteModule()));
    panel.process().setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(panel.start());
    LampCommandReader reader(line);
    // Start-up is over and the panel runs on as ever, holding no UDP socket at all.
    QCOMPARE(reader.receive(3, StartTimeout).size(), 3);
    QCOMPARE(ProcessUsage::udpSockets(panel.process().processId()), QStringList());
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
    // The key is read, never written.
    QCOMPARE(panel.settings().contains("Osc"), !portLine.isEmpty());
    QVERIFY(panel.settings().contains(portLine));
    const QByteArray log = panel.process().readAllStandardError();
    QVERIFY2(!withoutModule || log.contains(panel.remoteModule().toUtf8()), log.constData());
}

void tst_Kelvaris::mistakeOnTheCommandLineNeedsNoDisplay()
{
    // No display of any kind: a program that needed one would abort instead.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess panel;
    panel.setProcessEnvironment(NoSerialPortsEnvironment::guarded(environment));
    panel.start(QStringLiteral(KELVARIS_EXECUTABLE),
                {QStringLiteral("-style"), QStringLiteral("Fusion"), QStringLiteral("--bogus")});
    QVERIFY(panel.waitForFinished(int(StartTimeout.count())));
    QCOMPARE(panel.exitCode(), 64);
    QCOMPARE(panel.readAllStandardOutput(), QByteArray());
    QVERIFY(panel.readAllStandardError().startsWith(
        "kelvaris: Unknown option 'bogus'.\nUsage: kelvaris [--settings FILE]"));
}

void tst_Kelvaris::namedSettingsFileBesideQtOptions()
{
    // The named file is the one written, not the one beside the executable; Qt's
    // options still reach Qt, and the log says which file and why.
    PanelProcess folder;
    const QByteArray settings = PanelIni {2}.text();
    QVERIFY(folder.prepare(settings));
    const QString named = folder.folder() + QStringLiteral("/stage-left.ini");
    QProcess panel;
    NoSerialPortsEnvironment::apply(panel);
    panel.start(folder.executable(),
                {QStringLiteral("-platform"), QStringLiteral("offscreen"),
                 QStringLiteral("--settings"), named});
    QTRY_COMPARE_WITH_TIMEOUT(FileBytes::read(named), QByteArray("[Kelvaris]\nLampCount=8\n"),
                              int(StartTimeout.count()));
    panel.terminate();
    QVERIFY(panel.waitForFinished(int(StartTimeout.count())));
    QVERIFY(panel.readAllStandardError().contains("Settings file: " + named.toLocal8Bit()
                                                  + " (--settings)"));
    QCOMPARE(folder.settings(), settings);
}

void tst_Kelvaris::keptLevelsSurviveAKill()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    const quint16 port = OscDatagram::freeLoopbackPort();
    PanelProcess panel;
    QVERIFY(panel.prepare(
        PanelIni {4, line.devicePath(), "KeepLevels=1\nOscPort=" + QByteArray::number(port) + '\n'}
            .text()));
    QVERIFY(panel.start());
    LampCommandReader reader(line);
    QCOMPARE(reader.receive(1, StartTimeout).size(), 1);

    // Two moves: the first is written at once, the second when the pause after it ends.
    QUdpSocket sender;
    for (const auto &[lamp, level] : {std::pair {2, 200}, std::pair {0, 20}}) {
        const QByteArray move
            = OscDatagram::message("/kelvaris/lamp/" + QByteArray::number(lamp), 'i', level);
        QCOMPARE(sender.writeDatagram(move, QHostAddress::LocalHost, port), move.size());
        for (bool seen = false; !seen;) {
            const auto commands = reader.receive(1, StartTimeout);
            QVERIFY(!commands.isEmpty());
            seen = commands.first().lamp == lamp && commands.first().level == level;
        }
    }
    QTest::qWait(int(KillAfterLastMove.count()));
    panel.process().kill();
    QVERIFY(panel.process().waitForFinished());
    line.read(AnyBacklog, 2 * Period);

    // The restarted panel's first tick sends every lamp at its kept level.
    QVERIFY(panel.start());
    LampCommandReader restarted(line);
    QList<QString> first;
    for (const LampCommandReader::Command &command : restarted.receive(4, StartTimeout))
        first.append(QStringLiteral("%1:%2").arg(command.lamp).arg(command.level));
    QCOMPARE(first, (QList<QString> {"0:20", "1:0", "2:200", "3:0"}));
    QVERIFY(panel.terminate());
}

// A look kept in the settings file, recalled over OSC with a fade of 1 s; then blackout
// on and off, and on again across a restart with the levels kept.
void tst_Kelvaris::lookFadesAndBlackoutReachTheLine()
{
    using Command = LampCommandReader::Command;
    constexpr std::chrono::milliseconds Fade = 1000ms;
    // What scheduling may add to a tick's time on a busy test machine.
    constexpr std::chrono::milliseconds Slack = 25ms;
    constexpr int Lamps = 4;
    const QList<int> look {200, 100, 40, 255};
    PseudoTerminal line;
    QVERIFY(line.isValid());
    const quint16 port = OscDatagram::freeLoopbackPort();
    PanelProcess panel;
    QVERIFY(panel.prepare(
        PanelIni {Lamps, line.devicePath(),
                  "KeepLevels=1\nOscPort=" + QByteArray::number(port)
                      + "\nLook1=Up\nLookLevels1=200,100,40,255,0,0,0,0,0,0,0,0,0,0,0,0\n"}
            .text()));
    QVERIFY(panel.start());
    // Read on a thread of its own, so that every command's time is the time it came.
    LampCommandReader reader(line);
    reader.start();
    QVERIFY(reader.waitForCount(1, StartTimeout));
    std::size_t examined = reader.commands().size();
    // The commands that have come since the last look.
    const auto fresh = [&] {
        const std::vector<Command> all = reader.commands();
        const QList<Command> since(all.begin() + qsizetype(examined), all.end());
        examined = all.size();
        return since;
    };

    QUdpSocket sender;
    const auto send = [&](const QByteArray &datagram) {
        return sender.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size();
    };
    // Reads until every lamp has come at the level wanted (-1: its look level), or
    // more than two ticks' commands have passed; gives each lamp's command.
    const auto untilEvery = [&](int level) {
        QMap<int, Command> found;
        for (int read = 0; found.size() < Lamps && read < 2 * (Lamps + 1); ++read) {
            if (!reader.waitForCount(examined + 1, StartTimeout))
                break;
            const Command command = reader.commands().at(examined++);
            if (command.level == (level < 0 ? look.at(command.lamp) : level))
                found.insert(command.lamp, command);
        }
        return found;
    };
    const auto sameTick = [](const QMap<int, Command> &found) {
        QList<qint64> times;
        for (const Command &command : found)
            times.append(command.atNs);
        const auto [first, last] = std::minmax_element(times.cbegin(), times.cend());
        return found.size() == Lamps
            && *last - *first < std::chrono::nanoseconds(Period).count() / 2;
    };

    fresh();
    const qint64 sentNs = LampCommandReader::nowNs();
    QVERIFY(send(OscDatagram::message("/kelvaris/look/recall",
                                      {OscDatagram::Argument::string("Up"), {'f', 1.0}})));
    QTest::qWait(int((Fade + 4 * Period).count()));
    const QList<Command> fade = fresh();
    QMap<int, Command> arrived;
    for (int lamp = 0; lamp < Lamps; ++lamp) {
        QList<int> rising;
        for (const Command &command : fade) {
            if (command.lamp == lamp && !arrived.contains(lamp)) {
                rising.append(command.level);
                if (command.level == look.at(lamp))
                    arrived.insert(lamp, command);
            }
        }
        // A step on every tick of the fade, never down, ending at the look's level.
        QVERIFY2(std::is_sorted(rising.cbegin(), rising.cend()) && rising.size() >= 7
                     && arrived.contains(lamp),
                 qPrintable(QStringLiteral("lamp %1: %2").arg(lamp).arg(rising.size())));
        const qint64 late
            = arrived.value(lamp).atNs - sentNs - std::chrono::nanoseconds(Fade).count();
        QVERIFY2(late >= 0 && late <= std::chrono::nanoseconds(Period + Slack).count(),
                 qPrintable(QStringLiteral("lamp %1 %2 ns after the fade").arg(lamp).arg(late)));
    }
    QVERIFY(sameTick(arrived));

    // Blackout: every lamp at 0 on one tick, and the rotation keeps them there.
    QVERIFY(send(OscDatagram::message("/kelvaris/blackout", 'i', 1)));
    QVERIFY(sameTick(untilEvery(0)));
    QTest::qWait(int((3 * Period).count()));
    for (const Command &command : fresh())
        QCOMPARE(command.level, 0);
    // Off: every lamp at its level on one tick.
    QVERIFY(send(OscDatagram::message("/kelvaris/blackout", 'f', 0.0)));
    QVERIFY(sameTick(untilEvery(-1)));

    // Stopped in blackout, the panel starts in blackout.
    QVERIFY(send(OscDatagram::message("/kelvaris/blackout", 'i', 1)));
    QVERIFY(sameTick(untilEvery(0)));
    QVERIFY(panel.terminate());
    reader.stop();
    line.read(AnyBacklog, 2 * Period);
    QVERIFY(panel.start());
    LampCommandReader restarted(line);
    const QList<Command> first = restarted.receive(Lamps, StartTimeout);
    QCOMPARE(first.size(), Lamps);
    for (const Command &command : first)
        QCOMPARE(command.level, 0);
    QVERIFY(panel.terminate());
    QCOMPARE(reader.malformedBytes(), 0);
}

QTEST_GUILESS_MAIN(tst_Kelvaris)
#include "tst_kelvaris.moc"
