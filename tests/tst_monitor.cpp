#include "monitor/lampactivity.h"
#include "monitor/liveview.h"
#include "noserialportsenvironment.h"

#include "pseudoterminal.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
const auto Monitor = QStringLiteral(KELVARIS_MONITOR);

// Generous: the monitor only has to start and answer, but CI machines can be slow.
constexpr std::chrono::milliseconds StartTimeout = 10s;
constexpr std::chrono::milliseconds OutputTimeout = 10s;
// Longer than the monitor's quiet-line delay, to show nothing else is still coming.
constexpr std::chrono::milliseconds SettleTime = 600ms;

// The documented exit codes.
constexpr int ExitNormal = 0;
constexpr int ExitUsage = 64;
constexpr int ExitDeviceNotFound = 66;
constexpr int ExitIoError = 74;
constexpr int ExitPermissionDenied = 77;

constexpr qsizetype ReadChunk = 4096;
// How long one look at the monitor's screen waits for more output.
constexpr std::chrono::milliseconds ScreenReadSlice = 50ms;

// The panel's side of the line: the device opened as the panel opens it, write-only,
// and closed with this.
class PanelSide final
{
public:
    explicit PanelSide(const QString &device)
    {
        const int fd
            = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0
            && !m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                            QFileDevice::AutoCloseHandle))
            ::close(fd);
    }

    bool isOpen() const { return m_file.isOpen(); }
    bool send(const QByteArray &bytes) { return m_file.write(bytes) == bytes.size(); }
    // Waits until what was sent has left.
    void drain() { ::tcdrain(m_file.handle()); }
    void close() { m_file.close(); }

private:
    QFile m_file;
};

// Sets the window size of a pseudo-terminal, as a terminal emulator does when resized.
bool setWindowSize(const PseudoTerminal &terminal, int rows, int columns)
{
    const int fd = ::open(QFile::encodeName(terminal.devicePath()).constData(),
                          O_RDWR | O_NOCTTY | O_CLOEXEC);
    winsize size = {};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(columns);
    const bool set = fd >= 0 && ::ioctl(fd, TIOCSWINSZ, &size) == 0;
    if (fd >= 0)
        ::close(fd);
    return set;
}

// A running kelvaris-monitor whose standard output is read line by line.
class MonitorProcess final
{
public:
    MonitorProcess() { m_process.setProgram(Monitor); }
    ~MonitorProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess &process() { return m_process; }

    bool start(const QStringList &arguments)
    {
        m_process.setArguments(arguments);
        // Some runs name /dev/ttyS0; the machine's own port must stay untouched.
        NoSerialPortsEnvironment::apply(m_process);
        m_process.start();
        return m_process.waitForStarted(static_cast<int>(StartTimeout.count()));
    }

    // Lines of standard output so far, without their newline.
    QStringList lines()
    {
        m_output += m_process.readAllStandardOutput();
        QStringList result = QString::fromUtf8(m_output).split(QLatin1Char('\n'));
        result.removeLast(); // the unfinished line
        return result;
    }
    QString output()
    {
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output);
    }
    QString errors()
    {
        m_errors += m_process.readAllStandardError();
        return QString::fromLocal8Bit(m_errors);
    }

    // Waits until there are at least `count` lines; returns them.
    QStringList waitForLines(int count)
    {
        QDeadlineTimer deadline(OutputTimeout);
        while (lines().size() < count && !deadline.hasExpired()
               && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        return lines();
    }

    // The device path from the virtual controller's first line.
    QString virtualDevice()
    {
        const QStringList first = waitForLines(1);
        if (first.isEmpty() || !first.constFirst().startsWith(QLatin1String("Device: ")))
            return {};
        return first.constFirst().mid(static_cast<qsizetype>(qstrlen("Device: ")));
    }

    bool signalAndWait(int signalNumber)
    {
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
        return m_process.waitForFinished(static_cast<int>(StartTimeout.count()));
    }

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

// Log lines without their timestamps; the virtual controller's "Device:" line is left out.
QStringList logEntries(const QStringList &lines)
{
    QStringList entries;
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("Device: ")))
            entries.append(line.section(QLatin1Char(' '), 1));
    }
    return entries;
}
} // namespace

class tst_Monitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpDocumentsLogFormatAndExitCodes();
    void refusesToStart_data();
    void refusesToStart();
    void permissionDeniedNamesTheFix();
    void virtualControllerLogsCommands();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void readsARealDeviceUntilItIsLost();
    void liveViewPrintsPlainSnapshotsIntoAPipe();
    void liveViewOnATerminalRestoresTheCursor();
    void liveViewFitsTheTerminal_data();
    void liveViewFitsTheTerminal();
    void liveViewKeepsTheLampsThatChangedLast_data();
    void liveViewKeepsTheLampsThatChangedLast();
    void liveViewFollowsAResizedTerminal();
};

void tst_Monitor::helpDocumentsLogFormatAndExitCodes()
{
    MonitorProcess monitor;
    QVERIFY(monitor.start({QStringLiteral("--help")}));
    QVERIFY(monitor.process().waitForFinished());
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), ExitNormal);
    const QString help = monitor.output();
    QVERIFY2(help.contains(QLatin1String("--virtual")), qPrintable(help));
    QVERIFY2(help.contains(QLatin1String("--log")), qPrintable(help));
    QVERIFY2(help.contains(QLatin1String("BAD")), qPrintable(help));
    for (const int code : {ExitUsage, ExitDeviceNotFound, ExitIoError, ExitPermissionDenied}) {
        const QRegularExpression documented(QStringLiteral("^\\s*%1\\s+\\S").arg(code),
                                            QRegularExpression::MultilineOption);
        QVERIFY2(help.contains(documented), qPrintable(QStringLiteral("exit code %1").arg(code)));
    }
}

void tst_Monitor::refusesToStart_data()
{
    // @MISSING@ stands for a path where nothing is, @FILE@ for an ordinary file.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("named"); // in the message on standard error

    const QString help = QStringLiteral("--help");
    const QString port = QStringLiteral("/dev/ttyS0");
    QTest::newRow("no arguments") << QStringList() << ExitUsage << help;
    QTest::newRow("only --log") << QStringList {QStringLiteral("--log")} << ExitUsage << help;
    QTest::newRow("unknown option")
        << QStringList {QStringLiteral("--baud=19200"), port} << ExitUsage << help;
    QTest::newRow("device and --virtual")
        << QStringList {QStringLiteral("--virtual"), port} << ExitUsage << help;
    QTest::newRow("two devices") << QStringList {port, QStringLiteral("/dev/ttyS1")} << ExitUsage
                                 << help;
    QTest::newRow("missing device") << QStringList {QStringLiteral("@MISSING@")}
                                    << ExitDeviceNotFound << QStringLiteral("@MISSING@");
    QTest::newRow("not a serial device")
        << QStringList {QStringLiteral("@FILE@")} << ExitIoError << QStringLiteral("@FILE@");
}

void tst_Monitor::refusesToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, named);

    QTemporaryDir dir;
    QTemporaryFile file;
    QVERIFY(dir.isValid() && file.open());
    const auto resolved = [&](QString text) {
        return text
            .replace(QStringLiteral("@MISSING@"), dir.filePath(QStringLiteral("ttyKelvaris0")))
            .replace(QStringLiteral("@FILE@"), file.fileName());
    };
    for (QString &argument : arguments)
        argument = resolved(argument);
    MonitorProcess monitor;
    QVERIFY(monitor.start(arguments));
    QVERIFY(monitor.process().waitForFinished());
    QCOMPARE(monitor.process().exitCode(), exitCode);
    QVERIFY2(monitor.errors().contains(resolved(named)), qPrintable(monitor.errors()));
    QVERIFY(monitor.output().isEmpty());
}

void tst_Monitor::permissionDeniedNamesTheFix()
{
    // A device file the monitor may not read. Root may read anything, so as root the
    // monitor runs as nobody instead.
    PseudoTerminal terminal;
    QVERIFY(terminal.isValid());
    QVERIFY(::chmod(QFile::encodeName(terminal.devicePath()).constData(), 0) == 0);

    QStringList arguments {terminal.devicePath()};
    MonitorProcess monitor;
    if (::geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("running as root without setpriv to drop privileges");
        monitor.process().setProgram(setpriv);
        arguments = QStringList {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups"), Monitor}
            + arguments;
    }
    QVERIFY(monitor.start(arguments));
    QVERIFY(monitor.process().waitForFinished());
    QCOMPARE(monitor.process().exitCode(), ExitPermissionDenied);
    const QString errors = monitor.errors();
    QVERIFY2(errors.contains(terminal.devicePath()), qPrintable(errors));
    QVERIFY2(errors.contains(QLatin1String("dialout")), qPrintable(errors));
}

void tst_Monitor::virtualControllerLogsCommands()
{
    MonitorProcess monitor;
    QVERIFY(monitor.start({QStringLiteral("--virtual"), QStringLiteral("--log")}));
    const QString device = monitor.virtualDevice();
    QVERIFY2(device.startsWith(QLatin1String("/dev/")), qPrintable(monitor.lines().join(u'\n')));

    PanelSide panel(device);
    QVERIFY2(panel.isOpen(), qPrintable(device));
    // Written as the panel does, one command per write, then noise and a command whose
    // level is in lower case.
    QVERIFY(panel.send("L3C8\r"));
    QVERIFY(panel.send("LFFF\r"));
    QVERIFY(panel.send("L000\r"));
    QVERIFY(panel.send("xyzLA7"));
    QVERIFY(panel.send("F\rL3c8\rL9"));
    QVERIFY(panel.send("01\r"));
    // The edges of what is shown as itself, and the escape character itself.
    QVERIFY(panel.send("! \\\x7f~\x80\x1fL000\r"));
    panel.close();
    // The panel is closed and started again, opening the same device anew. The last
    // command is cut short: only the line going quiet can report it.
    for (const char *bytes : {"L100\r", "L1FF\rL2F"}) {
        PanelSide again(device);
        QVERIFY2(again.isOpen(), qPrintable(device));
        QVERIFY(again.send(bytes));
        again.drain();
    }

    const QStringList expected {
        QStringLiteral("L3 200"),  QStringLiteral("L15 255"),
        QStringLiteral("L0 0"),    QStringLiteral("BAD xyz"),
        QStringLiteral("L10 127"), QStringLiteral("BAD L3c8\\x0D"),
        QStringLiteral("L9 1"),    QStringLiteral("BAD !\\x20\\x5C\\x7F~\\x80\\x1F"),
        QStringLiteral("L0 0"),    QStringLiteral("L1 0"),
        QStringLiteral("L1 255"),  QStringLiteral("BAD L2F")};
    QCOMPARE(logEntries(monitor.waitForLines(static_cast<int>(expected.size()) + 1)), expected);
    QTest::qWait(static_cast<int>(SettleTime.count()));
    const QStringList lines = monitor.lines();
    QCOMPARE(logEntries(lines), expected);

    // Milliseconds since start, never going back.
    qint64 previous = 0;
    for (const QString &line : lines.mid(1)) {
        bool ok = false;
        const qint64 timestamp = line.section(QLatin1Char(' '), 0, 0).toLongLong(&ok);
        QVERIFY2(ok && timestamp >= previous, qPrintable(line));
        previous = timestamp;
    }
    QVERIFY(monitor.signalAndWait(SIGTERM));
    QCOMPARE(monitor.process().exitCode(), ExitNormal);
    QVERIFY2(monitor.errors().isEmpty(), qPrintable(monitor.errors()));
}

void tst_Monitor::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("log");
    QTest::newRow("SIGINT, log") << int(SIGINT) << true;
    QTest::newRow("SIGTERM, log") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, live view") << int(SIGINT) << false;
    QTest::newRow("SIGTERM, live view") << int(SIGTERM) << false;
}

void tst_Monitor::endsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, log);
    MonitorProcess monitor;
    QStringList arguments {QStringLiteral("--virtual")};
    if (log)
        arguments.append(QStringLiteral("--log"));
    QVERIFY(monitor.start(arguments));
    QVERIFY(!monitor.virtualDevice().isEmpty());
    QVERIFY(monitor.signalAndWait(signalNumber));
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), ExitNormal);
}

void tst_Monitor::readsARealDeviceUntilItIsLost()
{
    PseudoTerminal adapter;
    QVERIFY(adapter.isValid());
    MonitorProcess monitor;
    QVERIFY(monitor.start({adapter.devicePath(), QStringLiteral("--log")}));
    QTRY_VERIFY_WITH_TIMEOUT(monitor.errors().contains(QLatin1String("reading")),
                             static_cast<int>(StartTimeout.count()));

    QVERIFY(adapter.write("L5FF\r??L6"));
    QVERIFY(adapter.write("80\r"));
    QCOMPARE(logEntries(monitor.waitForLines(3)),
             (QStringList {QStringLiteral("L5 255"), QStringLiteral("BAD ??"),
                           QStringLiteral("L6 128")}));

    // The adapter is unplugged.
    adapter.closeMaster();
    QVERIFY(monitor.process().waitForFinished(static_cast<int>(StartTimeout.count())));
    QCOMPARE(monitor.process().exitCode(), ExitIoError);
    QVERIFY2(monitor.errors().contains(QLatin1String("lost ") + adapter.devicePath()),
             qPrintable(monitor.errors()));
}

void tst_Monitor::liveViewPrintsPlainSnapshotsIntoAPipe()
{
    MonitorProcess monitor;
    QVERIFY(monitor.start({QStringLiteral("--virtual")}));
    const QString device = monitor.virtualDevice();
    PanelSide panel(device);
    QVERIFY2(panel.isOpen(), qPrintable(device));
    QVERIFY(panel.send("L3C8\r"));
    QVERIFY(panel.send("zzLFFF\r"));

    // A snapshot taken after both commands: one row per lamp, unseen lamps as "-".
    const QRegularExpression lamp3(QStringLiteral("^LAMP 3 +200 #{13}\\.{3} +\\d+\\.\\d s ago$"),
                                   QRegularExpression::MultilineOption);
    const QRegularExpression lamp15(QStringLiteral("^LAMP 15 +255 #{16} +\\d+\\.\\d s ago$"),
                                    QRegularExpression::MultilineOption);
    const QRegularExpression lamp7(QStringLiteral("^LAMP 7 +- \\.{16}$"),
                                   QRegularExpression::MultilineOption);
    QTRY_VERIFY2_WITH_TIMEOUT(monitor.output().contains(lamp15), qPrintable(monitor.output()),
                              static_cast<int>(OutputTimeout.count()));
    const QString output = monitor.output();
    const QString last = output.mid(output.lastIndexOf(QLatin1String("Kelvaris lamp monitor")));
    QVERIFY2(last.contains(lamp3), qPrintable(last));
    QVERIFY2(last.contains(lamp7), qPrintable(last));
    QVERIFY2(last.contains(QLatin1String("bad bytes 2")), qPrintable(last));
    QCOMPARE(last.count(
                 QRegularExpression(QStringLiteral("^LAMP "), QRegularExpression::MultilineOption)),
             16);
    QVERIFY2(!output.contains(QLatin1Char('\x1b')), "escape sequences in a pipe");
}

void tst_Monitor::liveViewOnATerminalRestoresTheCursor()
{
    PseudoTerminal screen;
    QVERIFY(screen.isValid());
    MonitorProcess monitor;
    monitor.process().setStandardOutputFile(screen.devicePath());
    QVERIFY(monitor.start({QStringLiteral("--virtual")}));

    QByteArray shown;
    QTRY_VERIFY_WITH_TIMEOUT((shown += screen.read(ReadChunk, ScreenReadSlice)).contains("LAMP 15"),
                             static_cast<int>(StartTimeout.count()));
    QVERIFY2(shown.contains("\x1b[?25l"), "cursor not hidden");
    const QRegularExpression devicePath(QStringLiteral("Device: (/dev/pts/\\d+)"));
    const QString device = devicePath.match(QString::fromUtf8(shown)).captured(1);
    PanelSide panel(device);
    QVERIFY2(panel.isOpen(), qPrintable(device));
    QVERIFY(panel.send("L3C8\r"));
    // Redrawn in place with a bar of block characters.
    QTRY_VERIFY_WITH_TIMEOUT((shown += screen.read(ReadChunk, ScreenReadSlice))
                                 .contains(QStringLiteral("200 ████").toUtf8()),
                             static_cast<int>(OutputTimeout.count()));

    QVERIFY(monitor.signalAndWait(SIGINT));
    QCOMPARE(monitor.process().exitCode(), ExitNormal);
    shown += screen.read(ReadChunk, ScreenReadSlice);
    QVERIFY2(shown.endsWith("\x1b[?25h"), "cursor not shown again at the end");
}

void tst_Monitor::liveViewFitsTheTerminal_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("lampRows");
    QTest::addColumn<QString>("hiddenLine");
    QTest::newRow("size not known") << 0 << 0 << 16 << QString();
    QTest::newRow("19 lines, just enough") << 19 << 80 << 16 << QString();
    QTest::newRow("18 lines") << 18 << 80 << 14
                              << QStringLiteral("… 2 lamps hidden: enlarge the terminal");
    QTest::newRow("12 lines") << 12 << 80 << 8
                              << QStringLiteral("… 8 lamps hidden: enlarge the terminal");
    QTest::newRow("12 lines, 20 columns")
        << 12 << 20 << 8 << QStringLiteral("… 8 lamps hidden: en");
    QTest::newRow("4 lines, no room for a lamp")
        << 4 << 80 << 0 << QStringLiteral("… 16 lamps hidden: enlarge the terminal");
    QTest::newRow("2 lines, part of the header") << 2 << 80 << 0 << QString();
}

void tst_Monitor::liveViewFitsTheTerminal()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(int, lampRows);
    QFETCH(QString, hiddenLine);

    // The panel drives lamps 9 and 15: they are the last rows to go.
    LampActivity activity;
    activity.recordCommand(9, 128, 0);
    activity.recordCommand(15, 255, 0);
    QElapsedTimer clock;
    clock.start();
    LiveView view(activity, clock, QStringLiteral("/dev/pts/7"), stdout, true);
    const QStringList lines
        = view.frame(1000, {rows, columns}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // The line below the view holds the cursor; using it would scroll.
    QVERIFY2(rows == 0 || lines.size() <= rows - 1, qPrintable(lines.join(u'\n')));
    for (const QString &line : lines)
        QVERIFY2(columns == 0 || line.size() <= columns, qPrintable(line));
    const QStringList lamps = lines.filter(QRegularExpression(QStringLiteral("^LAMP ")));
    QCOMPARE(lamps.size(), lampRows);
    if (lampRows >= 2) {
        QVERIFY2(!lamps.filter(QRegularExpression(QStringLiteral("^LAMP 9 +128 "))).isEmpty(),
                 qPrintable(lines.join(u'\n')));
        QVERIFY2(!lamps.filter(QRegularExpression(QStringLiteral("^LAMP 15 +255 "))).isEmpty(),
                 qPrintable(lines.join(u'\n')));
    }
    if (hiddenLine.isEmpty())
        QVERIFY2(lines.filter(QStringLiteral("hidden")).isEmpty(), qPrintable(lines.join(u'\n')));
    else
        QCOMPARE(lines.constLast(), hiddenLine);
}

void tst_Monitor::liveViewKeepsTheLampsThatChangedLast_data()
{
    QTest::addColumn<QList<int>>("commands"); // lamp, level, lamp, level, ...
    QTest::addColumn<QList<int>>("shown"); // as many as the terminal has room for
    QTest::newRow("the only lamp moving") << QList<int> {12, 200} << QList<int> {0, 1, 12};
    QTest::newRow("latest changes") << QList<int> {3, 10, 12, 20, 7, 30} << QList<int> {7, 12};
    QTest::newRow("same level again") << QList<int> {5, 60, 2, 50, 5, 60} << QList<int> {2};
}

void tst_Monitor::liveViewKeepsTheLampsThatChangedLast()
{
    QFETCH(QList<int>, commands);
    QFETCH(QList<int>, shown);
    constexpr int LinesBesideLamps = 4; // the header, the hidden lamps' line, the cursor's
    // As from a panel just started: every lamp at 0 first, one command at a time.
    LampActivity activity;
    qint64 nowMs = 0;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        activity.recordCommand(lamp, 0, ++nowMs);
    for (qsizetype i = 0; i + 1 < commands.size(); i += 2)
        activity.recordCommand(commands.at(i), commands.at(i + 1), ++nowMs);
    QElapsedTimer clock;
    LiveView view(activity, clock, QStringLiteral("/dev/pts/7"), stdout, true);
    const QString frame = view.frame(nowMs, {int(shown.size()) + LinesBesideLamps, 0});
    QList<int> lamps;
    const QRegularExpression lampRow(QStringLiteral("^LAMP (\\d+) "),
                                     QRegularExpression::MultilineOption);
    for (auto match = lampRow.globalMatch(frame); match.hasNext();)
        lamps << match.next().captured(1).toInt();
    QCOMPARE(lamps, shown);
}

void tst_Monitor::liveViewFollowsAResizedTerminal()
{
    constexpr int SmallRows = 12;
    constexpr int LargeRows = 30;
    constexpr int Columns = 80;
    constexpr int FullViewLines = 18; // the header and all 16 lamps
    const auto cursorUpBy = [](int lines) {
        return "\x1b[" + QByteArray::number(lines) + 'A';
    };
    PseudoTerminal screen;
    QVERIFY(screen.isValid());
    QVERIFY(setWindowSize(screen, SmallRows, Columns));
    MonitorProcess monitor;
    monitor.process().setStandardOutputFile(screen.devicePath());
    QVERIFY(monitor.start({QStringLiteral("--virtual")}));

    // Redrawn in place: back up over its 11 lines each time, never more.
    QByteArray shown;
    QTRY_VERIFY_WITH_TIMEOUT(
        (shown += screen.read(ReadChunk, ScreenReadSlice)).contains(cursorUpBy(SmallRows - 1)),
        static_cast<int>(StartTimeout.count()));
    QVERIFY2(shown.contains(QStringLiteral("… 8 lamps hidden").toUtf8()), shown.constData());
    QVERIFY2(!shown.contains("LAMP 8 "), shown.constData());

    // Enlarged: the screen is cleared once and the whole view drawn from its top.
    QVERIFY(setWindowSize(screen, LargeRows, Columns));
    const qsizetype resized = shown.size();
    QTRY_VERIFY_WITH_TIMEOUT((shown += screen.read(ReadChunk, ScreenReadSlice))
                                 .mid(resized)
                                 .contains(cursorUpBy(FullViewLines)),
                             static_cast<int>(OutputTimeout.count()));
    // Frames drawn before the resize may still have been read after it.
    const QByteArray clearScreen("\x1b[H\x1b[2J");
    QCOMPARE(shown.mid(resized).count(clearScreen), 1);
    const QByteArray after = shown.mid(shown.indexOf(clearScreen, resized));
    QVERIFY2(after.contains("LAMP 15"), after.constData());
    QVERIFY2(!after.contains("hidden"), after.constData());
    const QRegularExpression cursorUp(QStringLiteral("\x1b\\[(\\d+)A"));
    for (auto match = cursorUp.globalMatch(QString::fromUtf8(shown)); match.hasNext();) {
        const int up = match.next().captured(1).toInt();
        QVERIFY2(up == SmallRows - 1 || up == FullViewLines, qPrintable(QString::number(up)));
    }

    QVERIFY(monitor.signalAndWait(SIGINT));
    QCOMPARE(monitor.process().exitCode(), ExitNormal);
}

QTEST_GUILESS_MAIN(tst_Monitor)
#include "tst_monitor.moc"
