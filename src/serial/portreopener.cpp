#include "serial/portreopener.h"

#include "serial/seriallink.h"

PortReopener::PortReopener(SerialLink &link, QObject *parent) : QObject(parent), m_link(link)
{
    // A second either way does not matter; a coarse timer lets the system batch wake-ups.
    m_timer.setTimerType(Qt::CoarseTimer);
    m_timer.setInterval(Interval);
    connect(&m_timer, &QTimer::timeout, this, &PortReopener::attempt);
}

void PortReopener::start()
{
    m_timer.start();
}

void PortReopener::stop()
{
    m_timer.stop();
}

void PortReopener::attempt()
{
    if (m_link.isOpen() || !m_link.devicePresent())
        return;
    if (m_link.open())
        Q_EMIT reopened();
}
