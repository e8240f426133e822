#include "monitor/lampcommanddecoder.h"

namespace {
constexpr int NibbleBits = 4;
} // namespace

LampCommandDecoder::LampCommandDecoder()
{
    m_command.reserve(LampCommand::Size);
    m_unreportedKept.reserve(MaxKeptBadBytes);
}

QVector<LampCommandDecoder::Event> LampCommandDecoder::feed(const QByteArray &bytes)
{
    QVector<Event> events;
    for (const char byte : bytes)
        decode(byte, events);
    return events;
}

QVector<LampCommandDecoder::Event> LampCommandDecoder::flush()
{
    QVector<Event> events;
    holdBad(m_command);
    m_command.clear();
    reportMalformed(events);
    return events;
}

bool LampCommandDecoder::continuesCommand(char byte) const
{
    if (m_command.size() == LampCommand::Terminator)
        return byte == LampCommand::End;
    return LampCommand::digitValue(byte) >= 0;
}

void LampCommandDecoder::decode(char byte, QVector<Event> &events)
{
    // An 'L' is never a valid digit or terminator, so the bytes dropped here cannot
    // hide the start of a real command: resynchronising at the next 'L' is exact.
    if (!m_command.isEmpty() && !continuesCommand(byte)) {
        holdBad(m_command);
        m_command.clear();
    }
    if (m_command.isEmpty()) {
        if (byte == LampCommand::Start)
            m_command.append(byte);
        else
            holdBad(QByteArray(1, byte));
        return;
    }

    switch (m_command.size()) {
    case LampCommand::LampDigit:
        m_lamp = LampCommand::digitValue(byte);
        break;
    case LampCommand::LevelHighDigit:
        m_level = LampCommand::digitValue(byte) << NibbleBits;
        break;
    case LampCommand::LevelLowDigit:
        m_level |= LampCommand::digitValue(byte);
        break;
    case LampCommand::Terminator:
        reportMalformed(events);
        events.append(Event::command(m_lamp, m_level));
        m_command.clear();
        return;
    default:
        Q_UNREACHABLE();
    }
    m_command.append(byte);
}

void LampCommandDecoder::holdBad(const QByteArray &bytes)
{
    m_unreported += bytes.size();
    const qsizetype room = MaxKeptBadBytes - m_unreportedKept.size();
    if (room > 0)
        m_unreportedKept.append(bytes.left(room));
}

void LampCommandDecoder::reportMalformed(QVector<Event> &events)
{
    if (m_unreported == 0)
        return;
    events.append(Event::malformed(m_unreported, m_unreportedKept));
    m_unreported = 0;
    m_unreportedKept.clear();
}
