#include "remote/web/httprequest.h"

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first == name)
            return field.second;
    }
    return {};
}

bool HttpRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first == name)
            return true;
    }
    return false;
}

QByteArray HttpRequest::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}
