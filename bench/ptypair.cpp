#include "ptypair.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return;
    const char *name = ::ptsname(master);
    if (name == nullptr) {
        ::close(master);
        ::close(slave);
        return;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_devicePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    if (m_master != -1)
        ::close(m_master);
    if (m_slave != -1)
        ::close(m_slave);
}
