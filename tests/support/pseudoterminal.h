#pragma once

#include "monitor/pseudoterminalpair.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <termios.h>

// A pseudo-terminal pair standing in for a serial line: the code under test opens
// devicePath() like a serial port, and the test reads what it sent from the master side.
//
// The slave side is held open as well, so the device outlives the opens and closes of the
// code under test and its line settings can be read at any time. Neither descriptor is
// inherited by child processes, so a program started by a test holds no end of the pair.
class PseudoTerminal final
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Whether the pair could be created.
    bool isValid() const;
    // The device to open, e.g. /dev/pts/3.
    QString devicePath() const;

    // The bytes sent to the device, collected until count bytes have arrived or the
    // timeout has passed. Runs the calling thread's event loop meanwhile, so that code
    // under test on the same thread can send. Empty once the master side is closed.
    QByteArray read(qsizetype count, std::chrono::milliseconds timeout);

    // Sends bytes to whoever reads the device, as a serial adapter receiving them would.
    // False when not all of them could be written.
    bool write(const QByteArray &bytes);

    // The device's line settings as last set by whoever opened it.
    std::optional<termios> lineSettings() const;

    // Closes the master side: the device hangs up, as an unplugged adapter does.
    void closeMaster();
    // The master side's descriptor, for a reader of its own; -1 once closed.
    int masterDescriptor() const;

private:
    PseudoTerminalPair m_pair;
};
