#include "monitor/virtualcontroller.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr std::size_t SlavePathBuffer = 128;
constexpr std::size_t ReadChunk = 4096;
} // namespace

VirtualController::VirtualController(QObject *parent) : ByteSource(parent) { }

VirtualController::~VirtualController()
{
    delete m_notifier;
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
}

bool VirtualController::open()
{
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0) {
        fail(MonitorExitCode::SystemError, QStringLiteral("cannot create a pseudo-terminal"),
             errno);
        return false;
    }
    std::array<char, SlavePathBuffer> path {};
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0
        || ::ptsname_r(m_masterFd, path.data(), path.size()) != 0) {
        fail(MonitorExitCode::SystemError, QStringLiteral("cannot set up the pseudo-terminal"),
             errno);
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(path.data());
    m_slaveFd = ::open(path.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0) {
        fail(MonitorExitCode::SystemError, QStringLiteral("cannot open %1").arg(m_slavePath),
             errno);
        return false;
    }

    // Raw 9600 8N1, as a real controller's port: no echo, no line editing, and a
    // carriage return stays a carriage return.
    termios settings = {};
    if (::tcgetattr(m_slaveFd, &settings) != 0) {
        fail(MonitorExitCode::SystemError,
             QStringLiteral("cannot read the settings of %1").arg(m_slavePath), errno);
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(m_slaveFd, TCSANOW, &settings) != 0) {
        fail(MonitorExitCode::SystemError, QStringLiteral("cannot set up %1").arg(m_slavePath),
             errno);
        return false;
    }

    const int flags = ::fcntl(m_masterFd, F_GETFL);
    ::fcntl(m_masterFd, F_SETFL, flags | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &VirtualController::readMaster);
    return true;
}

void VirtualController::readMaster()
{
    QByteArray received;
    std::array<char, ReadChunk> buffer {};
    for (;;) {
        const ssize_t count = ::read(m_masterFd, buffer.data(), buffer.size());
        if (count > 0) {
            received.append(buffer.data(), static_cast<qsizetype>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // EAGAIN: drained. EIO would mean no slave is open, which our own slave
        // descriptor rules out; anything else is a real failure.
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int error = errno;
            if (!received.isEmpty())
                Q_EMIT bytesReceived(received);
            m_notifier->setEnabled(false);
            fail(MonitorExitCode::IoError, QStringLiteral("lost %1").arg(m_slavePath), error);
            Q_EMIT failed();
            return;
        }
        break;
    }
    if (!received.isEmpty())
        Q_EMIT bytesReceived(received);
}

void VirtualController::fail(MonitorExitCode code, const QString &what, int error)
{
    setFailure(code,
               QStringLiteral("kelvaris-monitor: %1: %2")
                   .arg(what, QString::fromLocal8Bit(std::strerror(error))));
}
