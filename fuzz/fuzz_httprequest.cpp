// The phone remote's HTTP request reader on arbitrary bytes: no crash, no undefined
// behaviour, the size limits kept, and the same verdict whether the bytes come in
// one piece or in two.
#include "remote/web/httprequestparser.h"

#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const FuzzInput input = FuzzInput::from(data, size);
    const QByteArray &bytes = input.bytes;

    HttpRequestParser whole;
    whole.feed(bytes);
    HttpRequestParser pieces;
    pieces.feed(input.first());
    pieces.feed(input.second());

    check(whole.state() == pieces.state());
    check(whole.failureStatus() == pieces.failureStatus());
    check(whole.consumedBytes() <= bytes.size());
    if (whole.state() == HttpRequestParser::State::Complete) {
        const HttpRequest &request = whole.request();
        check(request.method == pieces.request().method);
        check(request.body == pieces.request().body);
        check(request.target.startsWith('/'));
        check(request.body.size() <= HttpRequestParser::MaxBodyBytes);
        check(whole.consumedBytes()
              <= HttpRequestParser::MaxHeaderBytes + HttpRequestParser::MaxBodyBytes);
        check(whole.consumedBytes() == pieces.consumedBytes());
    }
    return 0;
}
