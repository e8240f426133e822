// The real panel executable, started as a user starts it: a copy in its own folder
// with its settings file beside it, talking to a pseudo-terminal that stands in for
// the lamp controller's serial line.

#include "lampcommandreader.h"
#include "monitor/lampcommanddecoder.h"
#include "panelprocess.h"
#include "pseudoterminal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <chrono>
#include <termios.h>

using namespace std::chrono_literals;

namespace {

const QString Monitor = QStringLiteral(KELVARIS_MONITOR);
constexpr std::chrono::milliseconds StartTimeout = PanelProcess::StartTimeout;
constexpr std::chrono::milliseconds Period = 125ms;

} // namespace

class tst_Kelvaris : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rotationReachesTheLine();
    void firstRunCreatesTheSettingsFile();
    void unopenablePortLeavesThePanelRunning();
    void monitorAsVirtualControllerSeesThePanel();
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

    LampCommandDecoder decoder;
    const QList<LampCommandReader::Command> commands
        = LampCommandReader::receive(line, decoder, 9, StartTimeout);
    QCOMPARE(commands.size(), 9);

    // Lamps 1, 2, 3, 0, 1, ... at level 0, one a tick.
    for (int k = 0; k < commands.size(); ++k) {
        QCOMPARE(commands.at(k).lamp, (k + 1) % 4);
        QCOMPARE(commands.at(k).level, 0);
    }
    const qint64 span = commands.last().atMs - commands.first().atMs;
    const qint64 ticks = commands.size() - 1;
    // Loose bounds: this only shows the commands come a tick apart, not how evenly.
    QVERIFY2(span > ticks * Period.count() / 2 && span < ticks * Period.count() * 2,
             qPrintable(QString::number(span)));
    decoder.flush();
    QCOMPARE(decoder.malformedByteCount(), 0);

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
    QVERIFY(panel.prepare("[Kelvaris]\nLampCount=3\nSerialDevice=/dev/kelvaris-no-such-tty\n"));
    QVERIFY(panel.start());
    QTRY_VERIFY_WITH_TIMEOUT(panel.settings().contains("LampCount=3"), int(StartTimeout.count()));
    QTest::qWait(int(3 * Period.count()));
    QCOMPARE(panel.process().state(), QProcess::Running);
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitCode(), 0);
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
    QVERIFY(panel.prepare("[Kelvaris]\nLampCount=3\nSerialDevice=" + device + "\n"));
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

QTEST_GUILESS_MAIN(tst_Kelvaris)
#include "tst_kelvaris.moc"
