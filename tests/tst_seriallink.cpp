#include "pseudoterminal.h"
#include "serial/devicepath.h"
#include "serial/seriallink.h"

#include <QtTest>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr auto ReadTimeout = 5s;
// How long to wait for bytes that must not come.
constexpr auto SilenceTimeout = 200ms;
// A write that blocks is stopped after this long, instead of hanging the test run.
constexpr auto HangLimit = 60s;
constexpr qsizetype LampCommandSize = 5;
// Writes still attempted once the queue is full, to show it stays bounded.
constexpr int WritesAfterFirstDrop = 2000;
// Far more than any pseudo-terminal buffers: the queue must fill before this.
constexpr qsizetype StallWriteLimit = 8 * 1024 * 1024;
// How long to watch for a busy loop, and the share of it the process may spend on the
// CPU. A loop of notifier wake-ups takes nearly all of it; an idle wait almost none.
constexpr auto BusyLoopWatch = 1s;
constexpr double BusyLoopCpuShare = 0.5;
constexpr int MaxDescriptor = 1024;

enum ChildResult : int {
    NoControllingTerminal = 0,
    GotControllingTerminal = 1,
    ChildSetupFailed = 2,
};

// Five bytes like a lamp command, numbered so that a lost, repeated, reordered or
// partial command shows in the received stream.
QByteArray numberedCommand(int n)
{
    constexpr int HexBase = 16;
    constexpr int DigitCount = 4;
    constexpr int Wrap = 0x10000;
    return QByteArray::number(n % Wrap, HexBase).rightJustified(DigitCount, '0') + '\r';
}

// Commands of the given sizes, each filled with its own letter.
QList<QByteArray> commandsOfSizes(const QList<int> &sizes)
{
    constexpr int LetterCount = 26;
    QList<QByteArray> commands;
    for (int i = 0; i < sizes.size(); ++i)
        commands.append(QByteArray(sizes.at(i), char('A' + i % LetterCount)));
    return commands;
}

std::chrono::nanoseconds processCpuTime()
{
    timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// CPU time the process spends while running the event loop for the given wall time.
std::chrono::nanoseconds cpuTimeWhileWaiting(std::chrono::milliseconds wall)
{
    const auto before = processCpuTime();
    QTest::qWait(int(wall.count()));
    return processCpuTime() - before;
}

bool isBusyLoop(std::chrono::nanoseconds cpu, std::chrono::milliseconds wall)
{
    return std::chrono::duration<double>(cpu).count()
        > BusyLoopCpuShare * std::chrono::duration<double>(wall).count();
}

struct OpenDescriptor
{
    int descriptor = -1;
    int statusFlags = 0;
    int descriptorFlags = 0;
};

// The descriptors of this process that are open on the given device.
QList<OpenDescriptor> descriptorsOpenOn(const QString &device)
{
    QList<OpenDescriptor> found;
    for (int fd = 0; fd < MaxDescriptor; ++fd) {
        const int descriptorFlags = ::fcntl(fd, F_GETFD);
        if (descriptorFlags == -1)
            continue;
        const QString link = QStringLiteral("/proc/self/fd/%1").arg(fd);
        if (QFile::symLinkTarget(link) == device)
            found.append({fd, ::fcntl(fd, F_GETFL), descriptorFlags});
    }
    return found;
}

QList<OpenDescriptor> writeOnlyDescriptorsOn(const QString &device)
{
    QList<OpenDescriptor> writeOnly;
    for (const OpenDescriptor &open : descriptorsOpenOn(device)) {
        if ((open.statusFlags & O_ACCMODE) == O_WRONLY)
            writeOnly.append(open);
    }
    return writeOnly;
}

// Turns a write that blocks for good into a prompt failure instead of a hung test run.
class HangGuard final
{
public:
    explicit HangGuard(std::chrono::seconds limit)
    {
        std::signal(SIGALRM, &HangGuard::onAlarm);
        ::alarm(unsigned(limit.count()));
    }
    ~HangGuard()
    {
        ::alarm(0);
        std::signal(SIGALRM, SIG_DFL);
    }
    HangGuard(const HangGuard &) = delete;
    HangGuard &operator=(const HangGuard &) = delete;

private:
    static void onAlarm(int)
    {
        static const char message[] = "FAIL! a write to the serial link blocked\n";
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(EXIT_FAILURE);
    }
};

// Opens the link on the pseudo-terminal as start-up does.
bool openOn(SerialLink &link, const PseudoTerminal &pty)
{
    return link.selectDevice(pty.devicePath()) && link.open();
}

} // namespace

class tst_SerialLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deviceForPort_data();
    void deviceForPort();
    void selectPortNamesItsDevice();
    void deviceNamedDirectlyReplacesPort();
    void selectionRefusedWhileOpen();
    void sendsExactBytesInOrder();
    void devicePath_data();
    void devicePath();
    void deviceHasControllerLineWhileOpen();
    void opensWriteOnlyNonBlockingAndNotInherited();
    void doesNotTakeDeviceAsControllingTerminal();
    void deviceInUseIsRefused();
    void missingDeviceLeavesLinkClosed_data();
    void missingDeviceLeavesLinkClosed();
    void queueIsBounded_data();
    void queueIsBounded();
    void stalledLineNeverBlocksNorGrowsQueue();
    void farEndClosingWhileSendingClosesLink();
    void farEndClosingWhileIdleIsFoundByNextWrite();
    void farEndClosingOnStalledLineClosesLink();
};

void tst_SerialLink::deviceForPort_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");

#ifdef Q_OS_WIN
    QTest::newRow("port 1") << 1 << QStringLiteral("COM1");
    QTest::newRow("port 2") << 2 << QStringLiteral("COM2");
    QTest::newRow("port 16") << 16 << QStringLiteral("COM16");
#else
    QTest::newRow("port 1") << 1 << QStringLiteral("/dev/ttyS0");
    QTest::newRow("port 2") << 2 << QStringLiteral("/dev/ttyS1");
    QTest::newRow("port 16") << 16 << QStringLiteral("/dev/ttyS15");
    QTest::newRow("largest 16-bit port") << 32767 << QStringLiteral("/dev/ttyS32766");
#endif
    QTest::newRow("port 0") << 0 << QString();
    QTest::newRow("negative port") << -1 << QString();
}

void tst_SerialLink::deviceForPort()
{
    QFETCH(int, portNumber);
    QFETCH(QString, device);
    QCOMPARE(SerialLink::deviceForPort(portNumber), device);
}

void tst_SerialLink::selectPortNamesItsDevice()
{
    SerialLink link;
    QVERIFY(link.selectPort(3));
    QCOMPARE(link.device(), SerialLink::deviceForPort(3));

    // A port number without a device fails and keeps the earlier selection.
    QVERIFY(!link.selectPort(0));
    QCOMPARE(link.device(), SerialLink::deviceForPort(3));
}

void tst_SerialLink::deviceNamedDirectlyReplacesPort()
{
    SerialLink link;
    QVERIFY(link.selectPort(1));
    QVERIFY(link.selectDevice(QStringLiteral("/dev/ttyUSB0")));
    QCOMPARE(link.device(), QStringLiteral("/dev/ttyUSB0"));

    QVERIFY(!link.selectDevice(QString()));
    QCOMPARE(link.device(), QStringLiteral("/dev/ttyUSB0"));
}

void tst_SerialLink::selectionRefusedWhileOpen()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(link.selectDevice(pty.devicePath()));
    QVERIFY(link.open());

    QVERIFY(!link.selectPort(2));
    QVERIFY(!link.selectDevice(QStringLiteral("/dev/ttyUSB0")));
    QCOMPARE(link.device(), pty.devicePath());
    QVERIFY(link.isOpen());
}

void tst_SerialLink::sendsExactBytesInOrder()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));
    QVERIFY(link.isOpen());

    // Lamp commands, then every byte value: carriage returns, line feeds, flow-control
    // and signal characters must pass untranslated.
    QList<QByteArray> commands = {QByteArrayLiteral("L000\r"), QByteArrayLiteral("LAC8\r"),
                                  QByteArrayLiteral("LFFF\r"), QByteArrayLiteral("L305\r")};
    constexpr int ByteValues = 256;
    constexpr int BytesPerCommand = 16;
    QByteArray everyByte;
    for (int value = 0; value < ByteValues; ++value)
        everyByte.append(char(value));
    for (qsizetype at = 0; at < everyByte.size(); at += BytesPerCommand)
        commands.append(everyByte.mid(at, BytesPerCommand));

    QByteArray expected;
    for (const QByteArray &command : std::as_const(commands)) {
        link.write(command);
        expected += command;
    }

    QCOMPARE(pty.read(expected.size(), ReadTimeout), expected);
    QCOMPARE(pty.read(1, SilenceTimeout), QByteArray());
    QVERIFY(link.isOpen());
}

void tst_SerialLink::devicePath_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("path");

    QTest::newRow("bare name") << "ttyUSB0"
                               << "/dev/ttyUSB0";
    QTest::newRow("name below /dev") << "serial/by-id/usb-x"
                                     << "/dev/serial/by-id/usb-x";
    QTest::newRow("absolute path") << "/dev/pts/3"
                                   << "/dev/pts/3";
    QTest::newRow("path from here") << "./tty"
                                    << "./tty";
    QTest::newRow("path from above") << "../tty"
                                     << "../tty";
    QTest::newRow("dot name") << ".tty"
                              << "/dev/.tty";
}

void tst_SerialLink::devicePath()
{
    QFETCH(QString, device);
    QFETCH(QString, path);
    QCOMPARE(serialDevicePath(device), path);
}

void tst_SerialLink::deviceHasControllerLineWhileOpen()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    const std::optional<termios> line = pty.lineSettings();
    QVERIFY(line.has_value());
    QCOMPARE(::cfgetospeed(&*line), speed_t(B9600));
    QCOMPARE(::cfgetispeed(&*line), speed_t(B9600));
    QCOMPARE(line->c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(line->c_cflag & (CSTOPB | PARENB | PARODD | CMSPAR)));
    // No flow control of either kind, and bytes leave untranslated.
    QVERIFY(!(line->c_cflag & CRTSCTS));
    QVERIFY(!(line->c_iflag & (IXON | IXOFF)));
    QVERIFY(!(line->c_oflag & OPOST));
}

void tst_SerialLink::opensWriteOnlyNonBlockingAndNotInherited()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    // The pseudo-terminal holds the device open for reading and writing; the link's own
    // descriptor is the only write-only one.
    const QList<OpenDescriptor> opened = writeOnlyDescriptorsOn(pty.devicePath());
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().statusFlags & O_NONBLOCK);
    QVERIFY(opened.first().descriptorFlags & FD_CLOEXEC);

    link.close();
    QVERIFY(!link.isOpen());
    QVERIFY(writeOnlyDescriptorsOn(pty.devicePath()).isEmpty());
}

void tst_SerialLink::doesNotTakeDeviceAsControllingTerminal()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());

    const pid_t child = ::fork();
    QVERIFY(child != -1);
    if (child == 0) {
        // A new session has no controlling terminal; a terminal it opens for reading
        // without O_NOCTTY becomes it, and its hang-up would then signal the program.
        int result = ChildSetupFailed;
        if (::setsid() != -1) {
            SerialLink link;
            if (link.selectDevice(pty.devicePath()) && link.open()) {
                const int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY);
                result = terminal == -1 ? NoControllingTerminal : GotControllingTerminal;
                link.close();
            }
        }
        ::_exit(result);
    }

    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), int(NoControllingTerminal));
}

void tst_SerialLink::deviceInUseIsRefused()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink first;
    QVERIFY(first.selectDevice(pty.devicePath()));
    QVERIFY(first.open());

    SerialLink second;
    QVERIFY(second.selectDevice(pty.devicePath()));
    QVERIFY(!second.open());
    QVERIFY(!second.isOpen());
    second.write(QByteArrayLiteral("L1FF\r"));

    // The first link keeps its device.
    QVERIFY(first.isOpen());
    first.write(QByteArrayLiteral("L000\r"));
    QCOMPARE(pty.read(LampCommandSize, ReadTimeout), QByteArrayLiteral("L000\r"));
    QCOMPARE(pty.read(1, SilenceTimeout), QByteArray());
}

void tst_SerialLink::missingDeviceLeavesLinkClosed_data()
{
    QTest::addColumn<QString>("device");

    QTest::newRow("nothing selected") << QString();
    QTest::newRow("no such file") << QStringLiteral("/dev/kelvaris-test-no-such-device");
    QTest::newRow("highest numbered port") << SerialLink::deviceForPort(32767);
    QTest::newRow("directory") << QStringLiteral("/dev");
    QTest::newRow("not a terminal") << QStringLiteral("/dev/null");
}

void tst_SerialLink::missingDeviceLeavesLinkClosed()
{
    QFETCH(QString, device);

    SerialLink link;
    if (!device.isEmpty())
        QVERIFY(link.selectDevice(device));
    QVERIFY(!link.open());
    QVERIFY(!link.isOpen());

    // Writing and closing a link that never opened do nothing.
    link.write(QByteArrayLiteral("L000\r"));
    QCOMPARE(link.bytesQueued(), 0);
    link.close();
    QVERIFY(!link.isOpen());
}

void tst_SerialLink::queueIsBounded_data()
{
    // Commands written one after another without returning to the event loop, so that
    // nothing leaves the queue in between; and the indices of those that must be dropped.
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("dropped");

    const QList<int> lampCommandsTo510(102, int(LampCommandSize));

    QTest::newRow("lamp command past 512 dropped")
        << (lampCommandsTo510 + QList<int> {5}) << QList<int> {102};
    QTest::newRow("command filling exactly 512 kept")
        << (lampCommandsTo510 + QList<int> {2}) << QList<int>();
    QTest::newRow("one byte over dropped whole, smaller one kept")
        << (lampCommandsTo510 + QList<int> {3, 2}) << QList<int> {102};
    QTest::newRow("full queue drops even one byte")
        << (lampCommandsTo510 + QList<int> {2, 1, 5}) << QList<int> {103, 104};
    QTest::newRow("command larger than the queue") << QList<int> {513, 5} << QList<int> {0};
    QTest::newRow("command the size of the queue") << QList<int> {512, 1} << QList<int> {1};
}

void tst_SerialLink::queueIsBounded()
{
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, dropped);

    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    const QList<QByteArray> commands = commandsOfSizes(sizes);
    QByteArray expected;
    for (int i = 0; i < commands.size(); ++i) {
        link.write(commands.at(i));
        QVERIFY(link.bytesQueued() <= SerialLink::OutputBufferSize);
        if (!dropped.contains(i))
            expected += commands.at(i);
    }
    QCOMPARE(link.bytesQueued(), expected.size());

    QCOMPARE(pty.read(expected.size(), ReadTimeout), expected);
    QCOMPARE(pty.read(1, SilenceTimeout), QByteArray());
}

void tst_SerialLink::stalledLineNeverBlocksNorGrowsQueue()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    // Nobody reads: the device's own buffer fills first, then the link's queue.
    QByteArray accepted;
    qint64 largestQueue = 0;
    int drops = 0;
    {
        const HangGuard guard(HangLimit);
        for (int n = 0; drops < WritesAfterFirstDrop; ++n) {
            QVERIFY2(n * LampCommandSize < StallWriteLimit, "the queue never filled");
            const QByteArray command = numberedCommand(n);
            const qint64 before = link.bytesQueued();
            link.write(command);
            const qint64 after = link.bytesQueued();
            QVERIFY2(after <= SerialLink::OutputBufferSize,
                     qPrintable(QStringLiteral("%1 bytes queued").arg(after)));
            if (after == before + command.size())
                accepted += command;
            else if (after == before)
                ++drops;
            else
                QFAIL("a command was queued in part");
            largestQueue = std::max(largestQueue, after);
            QCoreApplication::processEvents();
        }
    }
    QVERIFY(link.isOpen());
    QVERIFY(largestQueue > SerialLink::OutputBufferSize - LampCommandSize);

    // Once the far end reads, everything accepted arrives whole and in order.
    const QByteArray received = pty.read(accepted.size(), ReadTimeout);
    QCOMPARE(received.size(), accepted.size());
    QVERIFY(received == accepted);
    QCOMPARE(pty.read(1, SilenceTimeout), QByteArray());
    QVERIFY(link.isOpen());
}

void tst_SerialLink::farEndClosingWhileSendingClosesLink()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    link.write(QByteArrayLiteral("L000\r"));
    QCOMPARE(pty.read(LampCommandSize, ReadTimeout), QByteArrayLiteral("L000\r"));

    // Commands still queued when the device goes away.
    link.write(QByteArrayLiteral("L1FF\r"));
    link.write(QByteArrayLiteral("L2FF\r"));
    pty.closeMaster();

    QTRY_VERIFY(!link.isOpen());
    QCOMPARE(link.bytesQueued(), 0);
    link.write(QByteArrayLiteral("L3FF\r"));
    QVERIFY(!link.isOpen());
    QCOMPARE(link.bytesQueued(), 0);
    QVERIFY(writeOnlyDescriptorsOn(pty.devicePath()).isEmpty());

    const auto cpu = cpuTimeWhileWaiting(BusyLoopWatch);
    QVERIFY2(!isBusyLoop(cpu, BusyLoopWatch),
             qPrintable(QStringLiteral("%1 ms of CPU").arg(cpu.count() / 1000000)));
    QVERIFY(!link.isOpen());

    link.close(); // the window closing later: nothing left to close
    QVERIFY(!link.isOpen());
}

void tst_SerialLink::farEndClosingWhileIdleIsFoundByNextWrite()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    link.write(QByteArrayLiteral("L000\r"));
    QCOMPARE(pty.read(LampCommandSize, ReadTimeout), QByteArrayLiteral("L000\r"));
    pty.closeMaster();

    // Nothing is being written: the hung-up device must not keep the process busy.
    const auto idleCpu = cpuTimeWhileWaiting(BusyLoopWatch);
    QVERIFY2(!isBusyLoop(idleCpu, BusyLoopWatch),
             qPrintable(QStringLiteral("%1 ms of CPU").arg(idleCpu.count() / 1000000)));

    link.write(QByteArrayLiteral("L1FF\r"));
    QTRY_VERIFY(!link.isOpen());
    link.write(QByteArrayLiteral("L2FF\r"));
    QCOMPARE(link.bytesQueued(), 0);

    const auto cpu = cpuTimeWhileWaiting(BusyLoopWatch);
    QVERIFY2(!isBusyLoop(cpu, BusyLoopWatch),
             qPrintable(QStringLiteral("%1 ms of CPU").arg(cpu.count() / 1000000)));
    QVERIFY(!link.isOpen());
}

void tst_SerialLink::farEndClosingOnStalledLineClosesLink()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    QVERIFY(openOn(link, pty));

    // Fill the device's buffer and the queue, then hang up.
    {
        const HangGuard guard(HangLimit);
        for (int n = 0; link.bytesQueued() + LampCommandSize <= SerialLink::OutputBufferSize; ++n) {
            QVERIFY2(n * LampCommandSize < StallWriteLimit, "the queue never filled");
            link.write(numberedCommand(n));
            QCoreApplication::processEvents();
        }
    }
    QVERIFY(link.isOpen());
    pty.closeMaster();

    QTRY_VERIFY(!link.isOpen());
    QCOMPARE(link.bytesQueued(), 0);
    const auto cpu = cpuTimeWhileWaiting(BusyLoopWatch);
    QVERIFY2(!isBusyLoop(cpu, BusyLoopWatch),
             qPrintable(QStringLiteral("%1 ms of CPU").arg(cpu.count() / 1000000)));
}

QTEST_GUILESS_MAIN(tst_SerialLink)
#include "tst_seriallink.moc"
