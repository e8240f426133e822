#pragma once

#include "monitor/lampcommanddecoder.h"

#include <QList>
#include <QtGlobal>
#include <chrono>

class PseudoTerminal;

// Reads the lamp commands a program sends to a pseudo-terminal, decoded by the
// monitor's decoder, and counts the bytes that form no command.
class LampCommandReader final
{
public:
    struct Command
    {
        int lamp = 0;
        int level = 0;
        // When it arrived, counted from the start of receive().
        qint64 atMs = 0;
    };

    explicit LampCommandReader(PseudoTerminal &line) : m_line(line) { }

    // Reads the line until count commands have arrived or the time is up, and gives
    // every command read. What a later read may complete is kept for it.
    QList<Command> receive(int count, std::chrono::milliseconds timeout);
    // The bad bytes read so far, an unfinished command at the end included.
    qint64 malformedBytes();

private:
    void tally(const QVector<LampCommandDecoder::Event> &events);

    PseudoTerminal &m_line;
    LampCommandDecoder m_decoder;
    qint64 m_malformedBytes = 0;
};
