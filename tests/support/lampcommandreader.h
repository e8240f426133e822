#pragma once

#include <QList>
#include <QtGlobal>
#include <chrono>

class LampCommandDecoder;
class PseudoTerminal;

// Reads the lamp commands a program sends to a pseudo-terminal, decoded by the
// monitor's decoder.
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

    LampCommandReader() = delete;

    // Reads the line until count commands have arrived or the time is up, and gives
    // every command read. The decoder keeps what a later read may complete, and counts
    // the malformed bytes.
    static QList<Command> receive(PseudoTerminal &line, LampCommandDecoder &decoder, int count,
                                  std::chrono::milliseconds timeout);
};
