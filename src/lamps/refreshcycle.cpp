#include "lamps/refreshcycle.h"

#include "lamps/commandport.h"
#include "lamps/deskmodel.h"
#include "lamps/lampcommand.h"

RefreshCycle::RefreshCycle(DeskModel &desk, CommandPort &port) : m_desk(desk), m_port(port) { }

void RefreshCycle::tick()
{
    const int count = m_desk.lampCount();
    ++m_refreshIndex;
    if (m_refreshIndex >= count)
        m_refreshIndex = 0;

    for (int i = 0; i < count; ++i) {
        if (!m_desk.isDue(i) && i != m_refreshIndex)
            continue;
        if (m_port.isOpen())
            m_port.write(LampCommand::encode(i, m_desk.sentLevel(i)));
        // Cleared even when the port is closed: the rotation carries the level later.
        m_desk.clearDue(i);
    }
}
