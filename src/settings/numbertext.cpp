#include "settings/numbertext.h"

std::optional<qint16> NumberText::toInt16(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return qint16(0);
    return qint16(v); // placeholder
}

std::optional<qint32> NumberText::toInt32(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0; // placeholder
}
