#include "monitor/virtualcontroller.h"

#include "serial/linesettings.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr std::size_t ReadChunk = 4096;

// The lamp controller's line as raw termios settings, without flow control; false
// for a baud rate termios has no name for.
bool setControllerLine(termios &settings)
{
    constexpr std::array<std::pair<qint32, speed_t>, 6> Speeds {{
        {1200, B1200},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
    }};
    constexpr std::array<tcflag_t, 4> CharacterSizes {CS5, CS6, CS7, CS8};

    const LineSettings line = LineSettings::lampController();
    const auto speed = std::find_if(Speeds.begin(), Speeds.end(), [&](const auto &entry) {
        return entry.first == line.baudRate;
    });
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    settings.c_cflag
        |= CharacterSizes.at(std::size_t(line.dataBits - QSerialPort::Data5)) | CLOCAL | CREAD;
    settings.c_cflag |= line.stopBits == QSerialPort::TwoStop ? CSTOPB : 0;
    // Mark and space parity have no termios flags; the lamp controller uses none.
    settings.c_cflag |= line.parity == QSerialPort::EvenParity ? PARENB
        : line.parity == QSerialPort::OddParity                ? (PARENB | PARODD)
                                                               : 0;
    return speed != Speeds.end() && ::cfsetispeed(&settings, speed->second) == 0
        && ::cfsetospeed(&settings, speed->second) == 0;
}
} // namespace

VirtualController::VirtualController(QObject *parent) : ByteSource(parent) { }

VirtualController::~VirtualController()
{
    delete m_notifier;
}

bool VirtualController::open()
{
    if (!m_pair.open()) {
        fail(MonitorExitCode::SystemError, m_pair.failure(), m_pair.error());
        return false;
    }
    const QString slavePath = m_pair.slavePath();
    const int slave = m_pair.slaveDescriptor();

    // Raw, on the lamp controller's line, as a real controller's port: no echo, no
    // line editing, and a carriage return stays a carriage return.
    termios settings = {};
    if (::tcgetattr(slave, &settings) != 0) {
        fail(MonitorExitCode::SystemError,
             QStringLiteral("cannot read the settings of %1").arg(slavePath), errno);
        return false;
    }
    if (!setControllerLine(settings) || ::tcsetattr(slave, TCSANOW, &settings) != 0) {
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
