#include "pseudoterminal.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr std::size_t ReadChunkSize = 4096;
// How long a write waits for room on the master side before giving up.
constexpr int WriteWaitMs = 1000;

bool setCloseOnExec(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFD);
    return flags != -1 && ::fcntl(descriptor, F_SETFD, flags | FD_CLOEXEC) != -1;
}

bool setNonBlocking(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags != -1 && ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) != -1;
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return;
    m_master = master;
    m_slave = slave;

    const char *name = ::ptsname(m_master);
    // The master is read without blocking so that read() can keep the event loop going.
    if (name == nullptr || !setCloseOnExec(m_master) || !setCloseOnExec(m_slave)
        || !setNonBlocking(m_master)) {
        closeMaster();
        ::close(m_slave);
        m_slave = -1;
        return;
    }
    m_devicePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave != -1)
        ::close(m_slave);
}

bool PseudoTerminal::isValid() const
{
    return m_slave != -1 && !m_devicePath.isEmpty();
}

QString PseudoTerminal::devicePath() const
{
    return m_devicePath;
}

QByteArray PseudoTerminal::read(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray received;
    if (m_master == -1 || count <= 0)
        return received;

    QEventLoop loop;
    QSocketNotifier notifier(m_master, QSocketNotifier::Read);
    QTimer deadline;
    deadline.setSingleShot(true);

    // Takes what is there; true when reading is over (enough bytes, or the master
    // reports an error and would only report it again).
    const auto collect = [&]() -> bool {
        std::array<char, ReadChunkSize> chunk {};
        while (received.size() < count) {
            const auto wanted
                = std::min<qsizetype>(qsizetype(chunk.size()), count - received.size());
            const ssize_t got = ::read(m_master, chunk.data(), std::size_t(wanted));
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
    qsizetype done = 0;
    while (m_master != -1 && done < bytes.size()) {
        const ssize_t count
            = ::write(m_master, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (count > 0) {
            done += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // The master side does not block; wait for the reader to make room.
        pollfd room {m_master, POLLOUT, 0};
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
    if (m_slave == -1 || ::tcgetattr(m_slave, &settings) != 0)
        return std::nullopt;
    return settings;
}

void PseudoTerminal::closeMaster()
{
    if (m_master == -1)
        return;
    ::close(m_master);
    m_master = -1;
}

bool PseudoTerminal::isMasterOpen() const
{
    return m_master != -1;
}
