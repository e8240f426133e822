#include "pseudoterminal.h"

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr std::size_t ReadChunkSize = 4096;
// How long a write waits for room on the master side before giving up.
constexpr int WriteWaitMs = 1000;

} // namespace

PseudoTerminal::PseudoTerminal()
{
    // The master is read without blocking so that read() can keep the event loop going.
    if (m_pair.open() && !m_pair.setMasterNonBlocking())
        m_pair.close();
    // QSerialPort's lock for a device that was free until now is stale: a panel a test
    // killed left it, and a panel run as another user could not remove it.
    if (isValid())
        QFile::remove(QStringLiteral("/var/lock/LCK..")
                      + devicePath().sliced(qstrlen("/dev/")).replace('/', '_'));
}

PseudoTerminal::~PseudoTerminal() = default;

bool PseudoTerminal::isValid() const
{
    return m_pair.isOpen() && !m_pair.slavePath().isEmpty();
}

QString PseudoTerminal::devicePath() const
{
    return isValid() ? m_pair.slavePath() : QString();
}

QByteArray PseudoTerminal::read(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray received;
    const int master = m_pair.masterDescriptor();
    if (master == -1 || count <= 0)
        return received;

    QEventLoop loop;
    QSocketNotifier notifier(master, QSocketNotifier::Read);
    QTimer deadline;
    deadline.setSingleShot(true);

    // Takes what is there; true when reading is over (enough bytes, or the master
    // reports an error and would only report it again).
    const auto collect = [&]() -> bool {
        std::array<char, ReadChunkSize> chunk {};
        while (received.size() < count) {
            const auto wanted
                = std::min<qsizetype>(qsizetype(chunk.size()), count - received.size());
            const ssize_t got = ::read(master, chunk.data(), std::size_t(wanted));
            if (got > 0) {
                received.append(chunk.data(), qsizetype(got));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        }
        return true;
    };

    if (collect())
        return received;

    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        if (collect()) {
            notifier.setEnabled(false);
            loop.quit();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    loop.exec();
    return received;
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    const int master = m_pair.masterDescriptor();
    qsizetype done = 0;
    while (master != -1 && done < bytes.size()) {
        const ssize_t count
            = ::write(master, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (count > 0) {
            done += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // The master side does not block; wait for the reader to make room.
        pollfd room {master, POLLOUT, 0};
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)
            && ::poll(&room, 1, WriteWaitMs) > 0)
            continue;
        return false;
    }
    return done == bytes.size();
}

std::optional<termios> PseudoTerminal::lineSettings() const
{
    termios settings {};
    if (!m_pair.isOpen() || ::tcgetattr(m_pair.slaveDescriptor(), &settings) != 0)
        return std::nullopt;
    return settings;
}

void PseudoTerminal::closeMaster()
{
    m_pair.closeMaster();
}

int PseudoTerminal::masterDescriptor() const
{
    return m_pair.masterDescriptor();
}
