#pragma once

#include "lamps/lampcommand.h"

#include <QByteArray>
#include <QVector>

// Decodes the panel's lamp commands (LampCommand) from the serial byte stream: "L3C8\r"
// is lamp 3 at level 200. Bytes may arrive in any chunking. Bytes that do not form a command
// are reported and dropped, and decoding picks up again at the next 'L'.
class LampCommandDecoder final
{
public:
    // A bad run keeps at most this many of its bytes for display, so that endless noise
    // (a wrong baud rate) cannot grow the decoder without bound.
    static constexpr int MaxKeptBadBytes = 64;

    struct Event
    {
        enum class Kind { Command, Malformed };

        Kind kind = Kind::Command;
        int lamp = 0; // Command only
        int level = 0; // Command only
        qint64 malformedBytes = 0; // Malformed only: how many
        QByteArray badBytes; // Malformed only: the first MaxKeptBadBytes of them

        static Event command(int lamp, int level) { return {Kind::Command, lamp, level, 0, {}}; }
        static Event malformed(qint64 count, const QByteArray &kept)
        {
            return {Kind::Malformed, 0, 0, count, kept};
        }
        bool operator==(const Event &other) const
        {
            return kind == other.kind && lamp == other.lamp && level == other.level
                && malformedBytes == other.malformedBytes && badBytes == other.badBytes;
        }
    };

    LampCommandDecoder();

    // Decodes what has arrived and returns it in stream order.
    // A run of bad bytes is reported once, just before the command that ends it, so
    // the result never depends on how the stream was chunked.
    QVector<Event> feed(const QByteArray &bytes);
    // The line has gone quiet: reports the bad bytes held back, including an unfinished
    // command, since nothing can complete it any more.
    QVector<Event> flush();

private:
    void decode(char byte, QVector<Event> &events);
    bool continuesCommand(char byte) const;
    void holdBad(const QByteArray &bytes);
    void reportMalformed(QVector<Event> &events);

    QByteArray m_command; // bytes of the current command so far, empty outside a command
    int m_lamp = 0;
    int m_level = 0;
    qint64 m_unreported = 0; // bad bytes not yet reported
    QByteArray m_unreportedKept; // the first MaxKeptBadBytes of them
};
