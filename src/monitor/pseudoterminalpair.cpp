#include "monitor/pseudoterminalpair.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::size_t SlavePathBuffer = 128;
} // namespace

PseudoTerminalPair::~PseudoTerminalPair()
{
    close();
}

bool PseudoTerminalPair::open()
{
    close();
    m_failure.clear();
    m_error = 0;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail(QStringLiteral("cannot create a pseudo-terminal"));
    std::array<char, SlavePathBuffer> path {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || ::ptsname_r(m_master, path.data(), path.size()) != 0)
        return fail(QStringLiteral("cannot set up the pseudo-terminal"));
    m_slavePath = QString::fromLocal8Bit(path.data());
    m_slave = ::open(path.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(QStringLiteral("cannot open %1").arg(m_slavePath));
    return true;
}

bool PseudoTerminalPair::setMasterNonBlocking()
{
    const int flags = m_master == -1 ? -1 : ::fcntl(m_master, F_GETFL);
    return flags != -1 && ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != -1;
}

void PseudoTerminalPair::closeMaster()
{
    if (m_master == -1)
        return;
    ::close(m_master);
    m_master = -1;
}

void PseudoTerminalPair::close()
{
    closeMaster();
    if (m_slave != -1)
        ::close(m_slave);
    m_slave = -1;
}

bool PseudoTerminalPair::fail(const QString &failure)
{
    m_failure = failure;
    m_error = errno;
    close();
    return false;
}
