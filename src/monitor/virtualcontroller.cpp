#include "monitor/virtualcontroller.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr std::size_t ReadChunk = 4096;
} // namespace

VirtualController::VirtualController(QObject *parent) : ByteSource(parent) { }

VirtualController::~VirtualController()
{
    delete m_notifier;
}

bool VirtualController::open()
{
    if (!m_pair.open()) {
        switch (m_pair.failure()) {
        case PseudoTerminalPair::Failure::Create:
            fail(MonitorExitCode::SystemError, QStringLiteral("cannot create a pseudo-terminal"),
                 m_pair.error());
            break;
        case PseudoTerminalPair::Failure::SetUp:
            fail(MonitorExitCode::SystemError, QStringLiteral("cannot set up the pseudo-terminal"),
                 m_pair.error());
            break;
        case PseudoTerminalPair::Failure::OpenSlave:
        case PseudoTerminalPair::Failure::None:
            fail(MonitorExitCode::SystemError,
                 QStringLiteral("cannot open %1").arg(m_pair.slavePath()), m_pair.error());
            break;
        }
        return false;
    }
    const QString slavePath = m_pair.slavePath();
    const int slave = m_pair.slaveDescriptor();

    // Raw 9600 8N1, as a real controller's port: no echo, no line editing, and a
    // carriage return stays a carriage return.
    termios settings = {};
    if (::tcgetattr(slave, &settings) != 0) {
        fail(MonitorExitCode::SystemError,
             QStringLiteral("cannot read the settings of %1").arg(slavePath), errno);
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(slave, TCSANOW, &settings) != 0) {
        fail(MonitorExitCode::SystemError, QStringLiteral("cannot set up %1").arg(slavePath),
             errno);
        return false;
    }

    m_pair.setMasterNonBlocking();
    m_notifier = new QSocketNotifier(m_pair.masterDescriptor(), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &VirtualController::readMaster);
    return true;
}

void VirtualController::readMaster()
{
    QByteArray received;
    std::array<char, ReadChunk> buffer {};
    for (;;) {
        const ssize_t count = ::read(m_pair.masterDescriptor(), buffer.data(), buffer.size());
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
            fail(MonitorExitCode::IoError, QStringLiteral("lost %1").arg(m_pair.slavePath()),
                 error);
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
