#pragma once

#include "remote/web/httprequest.h"

#include <QByteArray>

// Reads one HTTP/1.1 request from bytes handed over in pieces as they arrive. It keeps
// to what the remote page needs and refuses the rest early, before buffering it: the
// request line and headers at most MaxHeaderBytes, a body only by Content-Length and
// at most MaxBodyBytes, no chunked transfer coding, exactly one Host and at most one
// Content-Length, Origin and Cookie. Pure: no sockets, no clock.
class HttpRequestParser final
{
public:
    static constexpr qsizetype MaxHeaderBytes = 8 * 1024;
    static constexpr qsizetype MaxBodyBytes = 4 * 1024;

    enum class State { Incomplete, Complete, Failed };

    // Takes the next bytes. Bytes beyond a complete request are left over (see
    // consumedBytes()); nothing is taken once complete or failed.
    State feed(const QByteArray &bytes);

    State state() const { return m_state; }
    // The answer a failed request gets: 400, 413, 431, 501 or 505.
    int failureStatus() const { return m_failureStatus; }
    // The whole request, once complete.
    const HttpRequest &request() const { return m_request; }
    // How many of the fed bytes belong to the request (all of them until complete).
    qsizetype consumedBytes() const { return m_consumed; }

private:
    State fail(int status);
    State parseHead();
    bool parseRequestLine(const QByteArray &line);
    bool parseHeaderLine(const QByteArray &line);

    State m_state = State::Incomplete;
    int m_failureStatus = 0;
    HttpRequest m_request;
    QByteArray m_head;
    bool m_headDone = false;
    qsizetype m_bodyLength = 0;
    qsizetype m_consumed = 0;
};
