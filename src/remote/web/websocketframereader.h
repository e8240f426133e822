#pragma once

#include <QByteArray>
#include <QList>

// Reads what a page sends on its WebSocket (RFC 6455) from bytes handed over in pieces
// as they arrive. It keeps to what the page needs: masked frames, text messages of at
// most MaxMessageBytes (fragmented or not), and the control frames. Anything else
// fails with the close code the protocol names for it, and nothing more is read. The
// bytes kept never exceed one frame at its limit. Pure: no sockets, no clock.
class WebSocketFrameReader final
{
public:
    static constexpr qsizetype MaxMessageBytes = 4 * 1024;
    static constexpr qsizetype MaxControlBytes = 125;

    enum class Opcode : quint8 {
        Continuation = 0x0,
        Text = 0x1,
        Binary = 0x2,
        Close = 0x8,
        Ping = 0x9,
        Pong = 0xA,
    };
    // The close codes a failure ends with.
    enum CloseCode : quint16 {
        NormalClosure = 1000,
        ProtocolError = 1002,
        UnsupportedData = 1003,
        InvalidText = 1007,
        MessageTooBig = 1009,
    };

    struct Event
    {
        Opcode opcode; // Text, Ping, Pong or Close
        QByteArray payload;
    };

    // Takes the next bytes; returns the messages and control frames they complete, in
    // order. After a Close or a failure, nothing more is taken.
    QList<Event> feed(const QByteArray &bytes);

    bool hasFailed() const { return m_failure != 0; }
    quint16 failureCode() const { return m_failure; }

    // One unmasked frame, as a server sends it.
    static QByteArray frame(Opcode opcode, const QByteArray &payload);
    // A Close frame with that code.
    static QByteArray closeFrame(quint16 code);
    // The handshake's Sec-WebSocket-Accept for a Sec-WebSocket-Key.
    static QByteArray acceptKey(const QByteArray &key);

private:
    // Reads one frame from m_buffer at m_position; false when it is not all there yet
    // or reading has stopped.
    bool readFrame(QList<Event> &events);
    void fail(quint16 code);

    QByteArray m_buffer;
    qsizetype m_position = 0;
    QByteArray m_message;
    bool m_inMessage = false;
    bool m_closed = false;
    quint16 m_failure = 0;
};
