#pragma once

#include <QString>

// A pseudo-terminal pair: the slave end stands in for a serial device that a program
// opens by slavePath(), the master end is the far side of that line.
//
// The slave is held open here as well, so that a program closing its side is no
// hang-up for the master and the device can be opened again. Neither descriptor is
// inherited by child processes.
class PseudoTerminalPair final
{
public:
    PseudoTerminalPair() = default;
    ~PseudoTerminalPair();
    PseudoTerminalPair(const PseudoTerminalPair &) = delete;
    PseudoTerminalPair &operator=(const PseudoTerminalPair &) = delete;

    // Creates the pair; on failure failure() says which step failed ("cannot create a
    // pseudo-terminal") and error() gives the errno value.
    bool open();
    QString failure() const { return m_failure; }
    int error() const { return m_error; }

    // Reads and writes on the master return at once instead of waiting.
    bool setMasterNonBlocking();
    // Closes the master side: the device hangs up, as an unplugged adapter does.
    void closeMaster();
    void close();

    bool isOpen() const { return m_slave != -1; }
    bool isMasterOpen() const { return m_master != -1; }
    int masterDescriptor() const { return m_master; }
    int slaveDescriptor() const { return m_slave; }
    // The device to open, e.g. /dev/pts/3.
    QString slavePath() const { return m_slavePath; }

private:
    bool fail(const QString &failure);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_failure;
    int m_error = 0;
};
