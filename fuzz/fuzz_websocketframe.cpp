// The phone remote's WebSocket frame reader on arbitrary bytes: no crash, no undefined
// behaviour, messages within their limit, and the same events and verdict whether the
// bytes come in one piece or in two.
#include "remote/web/websocketframereader.h"

#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const FuzzInput input = FuzzInput::from(data, size);
    const QByteArray &bytes = input.bytes;

    WebSocketFrameReader whole;
    const auto events = whole.feed(bytes);
    WebSocketFrameReader pieces;
    auto pieceEvents = pieces.feed(input.first());
    pieceEvents += pieces.feed(input.second());

    check(whole.failureCode() == pieces.failureCode());
    check(events.size() == pieceEvents.size());
    for (qsizetype i = 0; i < events.size(); ++i) {
        check(events.at(i).opcode == pieceEvents.at(i).opcode);
        check(events.at(i).payload == pieceEvents.at(i).payload);
        check(events.at(i).payload.size() <= WebSocketFrameReader::MaxMessageBytes);
    }
    return 0;
}
