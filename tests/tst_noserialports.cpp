// The guard that keeps tests off the machine's real serial ports: linked into this
// test as into every other, it must hide real serial devices under every spelling
// while pseudo-terminals and ordinary files open as ever. QSerialPort on a
// pseudo-terminal is what every serial link test does.

#include "noserialportsenvironment.h"

#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

// The fortified entry points, declared by glibc only when building with _FORTIFY_SOURCE.
extern "C" int __open_2(const char *path, int flags);
extern "C" int __openat_2(int dirfd, const char *path, int flags);

namespace {

constexpr int DeviceFlags = O_RDWR | O_NOCTTY | O_NONBLOCK;
constexpr mode_t FileMode = 0640;
constexpr char FirstPort[] = "/dev/ttyS0";
// A harmless file the guard refuses by its name alone, as QSerialPort's lock of ttyS0.
constexpr char LockName[] = "LCK..ttyS0";
constexpr char Content[] = "lamp";
constexpr int TimeoutMs = 10000;

// Closes the descriptor when the test leaves the scope, pass or fail.
class Descriptor final
{
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool firstPortExists()
{
    struct stat info = {};
    return ::stat(FirstPort, &info) == 0 && S_ISCHR(info.st_mode);
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// What the descriptor has to read, waiting for it a while rather than for ever.
QByteArray readAll(int fd)
{
    pollfd ready {fd, POLLIN, 0};
    if (::poll(&ready, 1, TimeoutMs) != 1)
        return {};
    std::array<char, 64> buffer {};
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    return count > 0 ? QByteArray(buffer.data(), qsizetype(count)) : QByteArray();
}

bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

// The result of an open that must have been refused: -1 with ENOENT.
QString refusal(int fd, int error)
{
    if (fd >= 0) {
        ::close(fd);
        return QStringLiteral("opened");
    }
    return error == ENOENT ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

// The guarded calls that open by name. The *at calls take the path relative to a
// folder; the others a full path. Only some can create a file (and take a mode), and
// creat() cannot read.
struct Opener
{
    const char *name;
    bool atFolder;
    bool creates;
    bool reads;
    int (*call)(int folder, const char *path, int flags);
};

const Opener Openers[] = {
    {"open", false, true, true,
     [](int, const char *path, int flags) {
         return ::open(path, flags, FileMode);
     }},
    {"open64", false, true, true,
     [](int, const char *path, int flags) {
         return ::open64(path, flags, FileMode);
     }},
    {"openat", true, true, true,
     [](int folder, const char *path, int flags) {
         return ::openat(folder, path, flags, FileMode);
     }},
    {"openat64", true, true, true,
     [](int folder, const char *path, int flags) {
         return ::openat64(folder, path, flags, FileMode);
     }},
    {"__open_2", false, false, true,
     [](int, const char *path, int flags) {
         return __open_2(path, flags);
     }},
    {"__openat_2", true, false, true,
     [](int folder, const char *path, int flags) {
         return __openat_2(folder, path, flags);
     }},
    {"creat", false, true, false,
     [](int, const char *path, int) {
         return ::creat(path, FileMode);
     }},
};

} // namespace

class tst_NoSerialPorts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void serialDevicesAreAbsent_data();
    void serialDevicesAreAbsent();
    void otherSpellingsOfARealPort();
    void qSerialPortCannotOpenTheFirstPort();

    void pseudoTerminalsWork();
    void ordinaryFilesOpen();

    void startedProgramsAreGuarded();
    void environmentKeepsWhatIsThere();

private:
    QTemporaryDir m_dir;
};

void tst_NoSerialPorts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Proves the guard is in place on a file of no consequence before any test
    // below gets near a real device.
    const QString probe = m_dir.filePath(QString::fromLatin1(LockName));
    QFile file(probe);
    QVERIFY(!file.open(QIODevice::WriteOnly));
    errno = 0;
    const int fd = ::open(QFile::encodeName(probe).constData(), O_CREAT | O_WRONLY, FileMode);
    const int error = errno;
    QVERIFY2(refusal(fd, error).isEmpty(), "the serial port guard is not loaded");
    QVERIFY(!QFile::exists(probe));
}

void tst_NoSerialPorts::serialDevicesAreAbsent_data()
{
    QTest::addColumn<QByteArray>("path");
    for (const char *path : {FirstPort, "/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyACM0",
                             "/dev/ttyAMA0", "/dev/rfcomm0", "/dev/serial/by-id/usb-lamps"})
        QTest::newRow(path) << QByteArray(path);
}

void tst_NoSerialPorts::serialDevicesAreAbsent()
{
    QFETCH(QByteArray, path);
    const char *name = path.constData();

    // Full paths work for the *at calls too; creat() would truncate, so it stays out.
    for (const Opener &opener : Openers) {
        if (!opener.reads)
            continue;
        errno = 0;
        const int fd = opener.call(AT_FDCWD, name, DeviceFlags);
        QVERIFY2(refusal(fd, errno).isEmpty(), opener.name);
    }
    errno = 0;
    FILE *stream = std::fopen(name, "r+");
    const int error = errno;
    if (stream != nullptr)
        std::fclose(stream);
    QVERIFY2(stream == nullptr, "fopen");
    QCOMPARE(error, ENOENT);
}

void tst_NoSerialPorts::otherSpellingsOfARealPort()
{
    if (!firstPortExists())
        QSKIP("this machine has no /dev/ttyS0");
    const QByteArray link = QFile::encodeName(m_dir.filePath(QStringLiteral("lamps")));
    QCOMPARE(::symlink(FirstPort, link.constData()), 0);

    for (const char *path :
         {link.constData(), "/dev/./ttyS0", "/dev//ttyS0", "/dev/../dev/ttyS0"}) {
        errno = 0;
        const int fd = ::open(path, DeviceFlags);
        QVERIFY2(refusal(fd, errno).isEmpty(), path);
    }

    const Descriptor dev(::open("/dev", O_RDONLY | O_DIRECTORY));
    QVERIFY(dev.get() >= 0);
    errno = 0;
    const int fd = ::openat(dev.get(), "ttyS0", DeviceFlags);
    QVERIFY(refusal(fd, errno).isEmpty());
}

void tst_NoSerialPorts::qSerialPortCannotOpenTheFirstPort()
{
    QSerialPort port(QString::fromLatin1(FirstPort));
    QVERIFY(!port.open(QIODevice::WriteOnly));
    QVERIFY(!port.isOpen());
    QVERIFY(port.error() != QSerialPort::NoError);

    // Past the lock, through a name the lock does not tell apart: the device itself.
    if (!firstPortExists())
        QSKIP("this machine has no /dev/ttyS0");
    const QString link = m_dir.filePath(QStringLiteral("port"));
    QVERIFY(QFile::link(QString::fromLatin1(FirstPort), link));
    QSerialPort linked(link);
    QVERIFY(!linked.open(QIODevice::WriteOnly));
    QVERIFY(!linked.isOpen());
    QCOMPARE(linked.error(), QSerialPort::DeviceNotFoundError);
}

void tst_NoSerialPorts::pseudoTerminalsWork()
{
    // Through the guarded open(), as QSerialPort would go.
    const Descriptor master(::open("/dev/ptmx", O_RDWR | O_NOCTTY));
    QVERIFY(master.get() >= 0);
    QCOMPARE(::grantpt(master.get()), 0);
    QCOMPARE(::unlockpt(master.get()), 0);
    const char *slaveName = ::ptsname(master.get());
    QVERIFY(slaveName != nullptr);
    const Descriptor slave(::open(slaveName, O_RDWR | O_NOCTTY));
    QVERIFY(slave.get() >= 0);
    QVERIFY(writeAll(slave.get(), QByteArray(Content) + '\n'));
    QVERIFY(readAll(master.get()).startsWith(Content));

    const Descriptor posixMaster(::posix_openpt(O_RDWR | O_NOCTTY));
    QVERIFY(posixMaster.get() >= 0);

    int ptyMaster = -1;
    int ptySlave = -1;
    QCOMPARE(::openpty(&ptyMaster, &ptySlave, nullptr, nullptr, nullptr), 0);
    const Descriptor ownedMaster(ptyMaster);
    const Descriptor ownedSlave(ptySlave);
    QVERIFY(writeAll(ptyMaster, QByteArray(Content) + '\n'));
    QVERIFY(readAll(ptySlave).startsWith(Content));
}

// Each call that can creates a file of its own, with the mode asked for less the umask;
// each call that can reads back the file it made, or the one open() made.
void tst_NoSerialPorts::ordinaryFilesOpen()
{
    const mode_t expected = FileMode & ~currentUmask();
    const QByteArray folderPath = QFile::encodeName(m_dir.path());
    const Descriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY));
    QVERIFY(folder.get() >= 0);
    const auto pathFor = [&](const Opener &opener, const char *name) {
        return opener.atFolder ? QByteArray(name) : folderPath + '/' + name;
    };
    for (const Opener &opener : Openers) {
        if (opener.creates) {
            const QByteArray path = pathFor(opener, opener.name);
            const Descriptor fd(opener.call(folder.get(), path.constData(),
                                            O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC));
            QVERIFY2(fd.get() >= 0, opener.name);
            struct stat info = {};
            QCOMPARE(::fstat(fd.get(), &info), 0);
            QCOMPARE(info.st_mode & 07777, expected);
            QVERIFY(writeAll(fd.get(), Content));
        }
        if (opener.reads) {
            const QByteArray path = pathFor(opener, opener.creates ? opener.name : "open");
            const Descriptor fd(opener.call(folder.get(), path.constData(), O_RDONLY));
            QVERIFY2(fd.get() >= 0, opener.name);
            QCOMPARE(readAll(fd.get()), QByteArray(Content));
        }
    }

    FILE *stream = std::fopen(pathFor(Openers[0], "open").constData(), "r");
    QVERIFY(stream != nullptr);
    std::array<char, sizeof Content> buffer {};
    const size_t count = std::fread(buffer.data(), 1, buffer.size(), stream);
    std::fclose(stream);
    QCOMPARE(QByteArray(buffer.data(), qsizetype(count)), QByteArray(Content));

    // Relative to the folder, a name the guard refuses wherever it is.
    errno = 0;
    const int refused = ::openat(folder.get(), LockName, O_CREAT | O_WRONLY, FileMode);
    QVERIFY(refusal(refused, errno).isEmpty());

    // An unnamed file: its mode comes from the third argument as with O_CREAT.
    const Descriptor unnamed(::open(folderPath.constData(), O_TMPFILE | O_RDWR, FileMode));
    if (unnamed.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR))
        QSKIP("the temporary folder's file system has no O_TMPFILE");
    QVERIFY(unnamed.get() >= 0);
    struct stat info = {};
    QCOMPARE(::fstat(unnamed.get(), &info), 0);
    QCOMPARE(info.st_mode & 07777, expected);
}

void tst_NoSerialPorts::startedProgramsAreGuarded()
{
    const QString cat = QStandardPaths::findExecutable(QStringLiteral("cat"));
    if (cat.isEmpty())
        QSKIP("no cat");
    // A file of no consequence that only the guard keeps cat from reading; it is
    // written with the guard out of the way, by a child without it.
    const QString path = m_dir.filePath(QString::fromLatin1(LockName));
    QProcess writer;
    writer.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2\""),
                  QStringLiteral("sh"), QString::fromLatin1(Content), path});
    QVERIFY(writer.waitForFinished(TimeoutMs));
    QCOMPARE(writer.exitCode(), 0);

    QProcess plain;
    plain.start(cat, {path});
    QVERIFY(plain.waitForFinished(TimeoutMs));
    QCOMPARE(plain.readAllStandardOutput(), QByteArray(Content));

    QProcess guarded;
    NoSerialPortsEnvironment::apply(guarded);
    guarded.start(cat, {path});
    QVERIFY(guarded.waitForFinished(TimeoutMs));
    QVERIFY(guarded.exitCode() != 0);
    QCOMPARE(guarded.readAllStandardOutput(), QByteArray());
    const QByteArray errors = guarded.readAllStandardError();
    QVERIFY2(errors.contains("No such file"), errors.constData());
    QVERIFY2(!errors.contains("cannot be preloaded"), errors.constData());
}

void tst_NoSerialPorts::environmentKeepsWhatIsThere()
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral("/opt/other.so"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nowhere"));
    const QProcessEnvironment guarded = NoSerialPortsEnvironment::guarded(environment);
    QCOMPARE(guarded.value(QStringLiteral("LD_PRELOAD")),
             NoSerialPortsEnvironment::library() + QStringLiteral(":/opt/other.so"));
    QCOMPARE(guarded.value(QStringLiteral("ASAN_OPTIONS")),
             QStringLiteral("detect_leaks=1:verify_asan_link_order=0"));
    QCOMPARE(guarded.value(QStringLiteral("HOME")), QStringLiteral("/nowhere"));
    QCOMPARE(NoSerialPortsEnvironment::guarded(guarded), guarded);
    QVERIFY(QFile::exists(NoSerialPortsEnvironment::library()));
}

QTEST_MAIN(tst_NoSerialPorts)
#include "tst_noserialports.moc"
