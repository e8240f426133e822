#include "remote/web/websocketframereader.h"

#include <QCryptographicHash>
#include <QString>
#include <QtEndian>

namespace {

constexpr quint8 FinalBit = 0x80;
constexpr quint8 ReservedBits = 0x70;
constexpr quint8 OpcodeBits = 0x0f;
constexpr quint8 MaskBit = 0x80;
constexpr quint8 LengthBits = 0x7f;
constexpr quint8 Length16 = 126;
constexpr quint8 Length64 = 127;
constexpr qsizetype MaskBytes = 4;
constexpr qsizetype BaseHeaderBytes = 2;

const QByteArray HandshakeGuid = QByteArrayLiteral("258EAFA5-E914-47DA-95CA-C5AB0DC85B11");

// Decoding replaces whatever is not UTF-8 (overlong forms and encoded surrogates
// included), so only valid text comes back unchanged.
bool isValidUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

bool isControl(quint8 opcode)
{
    return (opcode & 0x08) != 0;
}

} // namespace

QList<WebSocketFrameReader::Event> WebSocketFrameReader::feed(const QByteArray &bytes)
{
    QList<Event> events;
    if (m_closed || hasFailed())
        return events;
    m_buffer += bytes;
    while (readFrame(events)) { }
    m_buffer.remove(0, m_position);
    m_position = 0;
    if (m_closed || hasFailed())
        m_buffer.clear();
    return events;
}

bool WebSocketFrameReader::readFrame(QList<Event> &events)
{
    if (m_closed || hasFailed())
        return false;
    const qsizetype available = m_buffer.size() - m_position;
    if (available < BaseHeaderBytes)
        return false;
    const auto *head = reinterpret_cast<const uchar *>(m_buffer.constData() + m_position);
    const bool final = head[0] & FinalBit;
    const quint8 opcode = head[0] & OpcodeBits;
    if (head[0] & ReservedBits) {
        fail(ProtocolError); // no extension was agreed
        return false;
    }
    // A client must mask every frame it sends.
    if (!(head[1] & MaskBit)) {
        fail(ProtocolError);
        return false;
    }
    const quint8 shortLength = head[1] & LengthBits;
    const qsizetype lengthBytes = shortLength == Length16 ? 2 : shortLength == Length64 ? 8 : 0;
    const qsizetype headerBytes = BaseHeaderBytes + lengthBytes + MaskBytes;
    if (available < headerBytes)
        return false;
    quint64 length = shortLength;
    if (shortLength == Length16)
        length = qFromBigEndian<quint16>(head + BaseHeaderBytes);
    else if (shortLength == Length64)
        length = qFromBigEndian<quint64>(head + BaseHeaderBytes);

    switch (Opcode(opcode)) {
    case Opcode::Continuation:
    case Opcode::Text:
        if ((opcode == quint8(Opcode::Text)) == m_inMessage) {
            fail(ProtocolError); // a continuation of nothing, or a new message inside one
            return false;
        }
        if (length > quint64(MaxMessageBytes - m_message.size())) {
            fail(MessageTooBig);
            return false;
        }
        break;
    case Opcode::Binary:
        fail(UnsupportedData);
        return false;
    case Opcode::Close:
    case Opcode::Ping:
    case Opcode::Pong:
        if (!final || length > quint64(MaxControlBytes)) {
            fail(ProtocolError);
            return false;
        }
        break;
    default:
        fail(ProtocolError);
        return false;
    }
    if (available < headerBytes + qsizetype(length))
        return false;

    const uchar *mask = head + BaseHeaderBytes + lengthBytes;
    QByteArray payload(reinterpret_cast<const char *>(head + headerBytes), qsizetype(length));
    for (qsizetype i = 0; i < payload.size(); ++i)
        payload[i] = char(payload[i] ^ mask[i % MaskBytes]);
    m_position += headerBytes + qsizetype(length);

    if (isControl(opcode)) {
        if (Opcode(opcode) == Opcode::Close) {
            if (payload.size() == 1) {
                fail(ProtocolError);
                return false;
            }
            m_closed = true;
        }
        events.append({Opcode(opcode), payload});
        return true;
    }
    m_message += payload;
    m_inMessage = !final;
    if (final) {
        if (!isValidUtf8(m_message)) {
            fail(InvalidText);
            return false;
        }
        events.append({Opcode::Text, m_message});
        m_message.clear();
    }
    return true;
}

void WebSocketFrameReader::fail(quint16 code)
{
    m_failure = code;
    m_message.clear();
}

QByteArray WebSocketFrameReader::frame(Opcode opcode, const QByteArray &payload)
{
    QByteArray bytes;
    bytes.reserve(payload.size() + BaseHeaderBytes + 8);
    bytes += char(FinalBit | quint8(opcode));
    const auto size = quint64(payload.size());
    if (size < Length16) {
        bytes += char(size);
    } else if (size <= 0xffff) {
        bytes += char(Length16);
        bytes += char(size >> 8);
        bytes += char(size & 0xff);
    } else {
        bytes += char(Length64);
        for (int shift = 56; shift >= 0; shift -= 8)
            bytes += char((size >> shift) & 0xff);
    }
    return bytes + payload;
}

QByteArray WebSocketFrameReader::closeFrame(quint16 code)
{
    const char payload[] = {char(code >> 8), char(code & 0xff)};
    return frame(Opcode::Close, QByteArray(payload, sizeof payload));
}

QByteArray WebSocketFrameReader::acceptKey(const QByteArray &key)
{
    return QCryptographicHash::hash(key + HandshakeGuid, QCryptographicHash::Sha1).toBase64();
}
