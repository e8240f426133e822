#include "monitor/virtualcontroller.h"

#include "serial/linesettings.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr std::size_t ReadChunk = 4096;

// termios names line speeds instead of numbering them: the controller's, by its name.
constexpr std::pair<qint32, speed_t> ControllerSpeed {LineSettings::LampController.baudRate, B9600};

// The lamp controller's line as raw termios settings, without flow control.
bool setControllerLine(termios &settings)
{
    constexpr std::array<tcflag_t, 4> CharacterSizes {CS5, CS6, CS7, CS8};
    constexpr LineSettings line = LineSettings::LampController;

    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    settings.c_cflag
        |= CharacterSizes.at(std::size_t(line.dataBits - QSerialPort::Data5)) | CLOCAL | CREAD;
    settings.c_cflag |= line.stopBits == QSerialPort::TwoStop ? CSTOPB : 0;
    // Mark and space parity have no termios flags; the lamp controller uses none.
    settings.c_cflag |= line.parity == QSerialPort::EvenParity ? PARENB
        : line.parity == QSerialPort::OddParity                ? (PARENB | PARODD)
                                                               : 0;
    return ::cfsetispeed(&settings, ControllerSpeed.second) == 0
        && ::cfsetospeed(&settings, ControllerSpeed.second) == 0;
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
               QStringLiteral("%1: %2: %3")
                   .arg(MonitorProgram, what, QString::fromLocal8Bit(std::strerror(error))));
}
