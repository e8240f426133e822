#include "lamps/refreshcycle.h"

#include "lamps/commandport.h"
#include "lamps/lampbank.h"
#include "lamps/lampcommand.h"

RefreshCycle::RefreshCycle(LampBank &bank, CommandPort &port) : m_bank(bank), m_port(port) { }

void RefreshCycle::tick()
{
    const int count = m_bank.lampCount();
    ++m_refreshIndex;
    if (m_refreshIndex >= count)
        m_refreshIndex = 0;

    for (int i = 0; i < count; ++i) {
        if (!m_bank.isMarkedForSending(i) && i != m_refreshIndex)
            continue;
        if (m_port.isOpen())
            m_port.write(LampCommand::encode(i, m_bank.lampLevel(i)));
        // Cleared even when the port is closed: the rotation carries the level later.
        m_bank.clearSendMark(i);
    }
}
