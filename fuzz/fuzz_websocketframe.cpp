// The phone remote's WebSocket frame reader on arbitrary bytes: no crash, no undefined
// behaviour, messages within their limit, and the same events and verdict whether the
// bytes come in one piece or in two.
#include "remote/web/websocketframereader.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says where the rest is cut in two.
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const qsizetype cut = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);

    WebSocketFrameReader whole;
    const auto events = whole.feed(bytes);
    WebSocketFrameReader pieces;
    auto pieceEvents = pieces.feed(bytes.left(cut));
    pieceEvents += pieces.feed(bytes.mid(cut));

    check(whole.failureCode() == pieces.failureCode());
    check(events.size() == pieceEvents.size());
    for (qsizetype i = 0; i < events.size(); ++i) {
        check(events.at(i).opcode == pieceEvents.at(i).opcode);
        check(events.at(i).payload == pieceEvents.at(i).payload);
        check(events.at(i).payload.size() <= WebSocketFrameReader::MaxMessageBytes);
    }
    return 0;
}
