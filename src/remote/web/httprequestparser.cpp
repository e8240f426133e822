#include "remote/web/httprequestparser.h"

#include "remote/web/httpstatus.h"

namespace {

const QByteArray HeadEnd = QByteArrayLiteral("\r\n\r\n");
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// Content-Length digits beyond this many cannot be a body we take.
constexpr qsizetype MaxLengthDigits = 9;

// Token characters of header names and methods.
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayLiteral("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

// Visible characters, blanks and tabs; no control characters.
bool isFieldText(const QByteArray &text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }
    return true;
}

bool isDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

HttpRequestParser::State HttpRequestParser::feed(const QByteArray &bytes)
{
    if (m_state != State::Incomplete || bytes.isEmpty())
        return m_state;

    if (!m_headDone) {
        // The end mark may straddle two pieces.
        const qsizetype searchFrom = qMax<qsizetype>(0, m_head.size() - (HeadEnd.size() - 1));
        m_head += bytes;
        const qsizetype end = m_head.indexOf(HeadEnd, searchFrom);
        if (end < 0) {
            m_consumed = m_head.size();
            return m_head.size() > MaxHeaderBytes ? fail(HttpStatus::HeadersTooLarge) : m_state;
        }
        const qsizetype headSize = end + HeadEnd.size();
        if (headSize > MaxHeaderBytes)
            return fail(HttpStatus::HeadersTooLarge);
        const QByteArray rest = m_head.mid(headSize);
        m_head.truncate(headSize);
        m_headDone = true;
        m_consumed = headSize;
        if (parseHead() != State::Incomplete)
            return m_state;
        return feed(rest);
    }

    const qsizetype wanted = m_bodyLength - m_request.body.size();
    const QByteArray taken = bytes.left(wanted);
    m_request.body += taken;
    m_consumed += taken.size();
    if (m_request.body.size() == m_bodyLength)
        m_state = State::Complete;
    return m_state;
}

HttpRequestParser::State HttpRequestParser::fail(int status)
{
    m_state = State::Failed;
    m_failureStatus = status;
    m_head.clear();
    m_request = {};
    return m_state;
}

HttpRequestParser::State HttpRequestParser::parseHead()
{
    QList<QByteArray> lines = m_head.left(m_head.size() - HeadEnd.size()).split('\n');
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r') && &line != &lines.last())
            return fail(HttpStatus::BadRequest);
        if (line.endsWith('\r'))
            line.chop(1);
    }
    m_head.clear();
    if (!parseRequestLine(lines.first()))
        return m_state == State::Failed ? m_state : fail(HttpStatus::BadRequest);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!parseHeaderLine(lines.at(i)))
            return m_state == State::Failed ? m_state : fail(HttpStatus::BadRequest);
    }

    if (m_request.hasHeader("transfer-encoding"))
        return fail(HttpStatus::NotImplemented);
    // Two of a header the server decides by would leave open which one counts.
    qsizetype hosts = 0;
    qsizetype lengths = 0;
    qsizetype origins = 0;
    qsizetype cookies = 0;
    for (const auto &field : m_request.headers) {
        hosts += field.first == "host";
        lengths += field.first == "content-length";
        origins += field.first == "origin";
        cookies += field.first == "cookie";
    }
    if (hosts != 1 || lengths > 1 || origins > 1 || cookies > 1)
        return fail(HttpStatus::BadRequest);
    if (lengths == 1) {
        const QByteArray length = m_request.header("content-length");
        if (!isDigits(length))
            return fail(HttpStatus::BadRequest);
        if (length.size() > MaxLengthDigits || length.toLongLong() > MaxBodyBytes)
            return fail(HttpStatus::PayloadTooLarge);
        m_bodyLength = length.toLongLong();
    }
    if (m_bodyLength == 0)
        m_state = State::Complete;
    return m_state;
}

bool HttpRequestParser::parseRequestLine(const QByteArray &line)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || !isToken(parts.at(0)) || !parts.at(1).startsWith('/')
        || !isFieldText(parts.at(1)) || parts.at(1).contains('\t'))
        return false;
    const QByteArray &version = parts.at(2);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        if (version.startsWith("HTTP/"))
            fail(HttpStatus::VersionNotSupported);
        return false;
    }
    m_request.method = parts.at(0);
    m_request.target = parts.at(1);
    return true;
}

bool HttpRequestParser::parseHeaderLine(const QByteArray &line)
{
    // A folded line starts with a blank; folding is obsolete and refused.
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    const QByteArray name = line.left(colon);
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (!isToken(name) || !isFieldText(value))
        return false;
    m_request.headers.append({name.toLower(), value});
    return true;
}
