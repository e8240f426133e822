#pragma once

#include "lamps/lampcommand.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

// Decodes the panel's lamp commands (LampCommand) from the serial byte stream: "L3C8\r"
// is lamp 3 at level 200. Bytes may arrive in any chunking. Bytes that do not form a command
// are reported, counted and dropped, and decoding picks up again at the next 'L'.
class LampCommandDecoder final : public QObject
{
    Q_OBJECT

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

    explicit LampCommandDecoder(QObject *parent = nullptr);

    // Decodes what has arrived and returns it in stream order; also emitted as signals.
    // A run of bad bytes is reported once, just before the command that ends it, so
    // the result never depends on how the stream was chunked.
    QVector<Event> feed(const QByteArray &bytes);
    // The line has gone quiet: reports the bad bytes held back, including an unfinished
    // command, since nothing can complete it any more.
    QVector<Event> flush();
    void reset();

    qint64 commandCount() const { return m_commandCount; }
    // Bad bytes reported so far; bytes held back until the next command or flush()
    // are not included.
    qint64 malformedByteCount() const { return m_malformedByteCount; }

Q_SIGNALS:
    void commandDecoded(int lamp, int level);
    void malformedInput(qint64 byteCount);

private:
    void decode(char byte, QVector<Event> &events);
    bool continuesCommand(char byte) const;
    void holdBad(const QByteArray &bytes);
    void reportMalformed(QVector<Event> &events);
    void announce(const QVector<Event> &events);

    QByteArray m_command; // bytes of the current command so far, empty outside a command
    int m_lamp = 0;
    int m_level = 0;
    qint64 m_unreported = 0; // bad bytes not yet reported
    QByteArray m_unreportedKept; // the first MaxKeptBadBytes of them
    qint64 m_commandCount = 0;
    qint64 m_malformedByteCount = 0;
};
