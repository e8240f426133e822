#include "platform/signalwatcher.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::array<int, 2> WatchedSignals {SIGINT, SIGTERM};
constexpr std::size_t PipeReadBuffer = 16;
} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent)
{
    std::array<int, 2> fds {-1, -1};
    if (s_writeFd >= 0 || ::pipe2(fds.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readFd = fds[0];
    s_writeFd = fds[1];

    struct sigaction action = {};
    action.sa_handler = &SignalWatcher::handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : WatchedSignals)
        ::sigaction(signalNumber, &action, nullptr);

    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);
}

SignalWatcher::~SignalWatcher()
{
    if (m_readFd < 0)
        return;
    for (const int signalNumber : WatchedSignals)
        std::signal(signalNumber, SIG_DFL);
    ::close(s_writeFd);
    ::close(m_readFd);
    s_writeFd = -1;
}

void SignalWatcher::handleSignal(int signalNumber)
{
    // Only async-signal-safe calls here. A full pipe already holds a wake-up.
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_writeFd, &byte, 1);
    errno = savedErrno;
}

void SignalWatcher::readPipe()
{
    std::array<unsigned char, PipeReadBuffer> buffer {};
    const ssize_t count = ::read(m_readFd, buffer.data(), buffer.size());
    if (count > 0)
        Q_EMIT terminationRequested(buffer[0]);
}
