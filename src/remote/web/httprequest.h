#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One HTTP/1.1 request as the remote page's server reads it: header names lower-case,
// values without surrounding blanks.
struct HttpRequest
{
    QByteArray method;
    QByteArray target;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of the first header of that (lower-case) name; empty when absent.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    // The path of the target, without its query.
    QByteArray path() const;
};
