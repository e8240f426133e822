#pragma once

#include "monitor/lampcommanddecoder.h"

#include <QList>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class PseudoTerminal;

// Reads the lamp commands a program sends to a pseudo-terminal, decoded by the
// monitor's decoder, and counts the bytes that form no command. Every command is
// stamped with the CLOCK_MONOTONIC time of the read that brought its last byte, a
// time line shared with other processes.
//
// Tests read on their own thread with receive(), which keeps the event loop going for
// code under test on it. Benchmarks start() a thread of its own instead, so that the
// sender never stalls on a full pty, and look at commands() while it runs.
class LampCommandReader final
{
public:
    struct Command
    {
        int lamp = 0;
        int level = 0;
        qint64 atNs = 0;
    };

    explicit LampCommandReader(PseudoTerminal &line);
    ~LampCommandReader();
    LampCommandReader(const LampCommandReader &) = delete;
    LampCommandReader &operator=(const LampCommandReader &) = delete;

    // Reads the line until count commands have arrived or the time is up, and gives
    // every command read. What a later read may complete is kept for it. Not while
    // the thread runs.
    QList<Command> receive(int count, std::chrono::milliseconds timeout);

    void start();
    void stop();
    // Waits until at least count commands have arrived in all; false on timeout.
    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout);
    // Every command so far.
    std::vector<Command> commands() const;

    // The bad bytes read so far; once reading is over, an unfinished command at the
    // end included.
    qint64 malformedBytes();

    static qint64 nowNs();

private:
    void take(const QByteArray &bytes, qint64 atNs);
    void run();

    static constexpr std::chrono::milliseconds ReadSlice {50};

    PseudoTerminal &m_line;
    LampCommandDecoder m_decoder;
    std::thread m_thread;
    std::atomic_bool m_stopping {false};
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Command> m_commands;
    qint64 m_malformedBytes = 0;
};
