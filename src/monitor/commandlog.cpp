#include "monitor/commandlog.h"

QByteArray CommandLog::line(qint64 timestampMs, const LampCommandDecoder::Event &event)
{
    QByteArray text = QByteArray::number(timestampMs);
    if (event.kind == LampCommandDecoder::Event::Kind::Command) {
        text += " L" + QByteArray::number(event.lamp) + ' ' + QByteArray::number(event.level);
    } else {
        text += " BAD " + QByteArray::number(event.malformedBytes);
    }
    text += '\n';
    return text;
}

void CommandLog::write(qint64 timestampMs, const LampCommandDecoder::Event &event)
{
    const QByteArray text = line(timestampMs, event);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), m_out);
    std::fflush(m_out);
}
