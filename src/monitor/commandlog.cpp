#include "monitor/commandlog.h"

namespace {
// Shown as themselves: the visible ASCII characters. A space is escaped too, so that
// the bytes stay one field and a trailing space cannot pass unseen; the backslash is
// escaped so that "\x0D" in a line always means one byte.
constexpr char FirstShownAsItself = '!';
constexpr char LastShownAsItself = '~';
constexpr char EscapeMark = '\\';
constexpr int HexBase = 16;
constexpr int HexDigitsPerByte = 2;

QByteArray readable(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        if (byte >= FirstShownAsItself && byte <= LastShownAsItself && byte != EscapeMark) {
            text += byte;
        } else {
            text += "\\x"
                + QByteArray::number(static_cast<unsigned char>(byte), HexBase)
                      .toUpper()
                      .rightJustified(HexDigitsPerByte, '0');
        }
    }
    return text;
}
} // namespace

QByteArray CommandLog::line(qint64 timestampMs, const LampCommandDecoder::Event &event)
{
    QByteArray text = QByteArray::number(timestampMs);
    if (event.kind == LampCommandDecoder::Event::Kind::Command) {
        text += " L" + QByteArray::number(event.lamp) + ' ' + QByteArray::number(event.level);
    } else {
        text += " BAD " + readable(event.badBytes);
        if (event.malformedBytes > event.badBytes.size())
            text += " (" + QByteArray::number(event.malformedBytes) + " bytes in all)";
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
