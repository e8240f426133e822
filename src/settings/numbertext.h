#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The number rule of the settings file: the leading numeric part of a text,
// rounded half to even. A number that does not fit the target gives no value.
class NumberText final
{
public:
    static std::optional<qint16> toInt16(const QString &text);
    static std::optional<qint32> toInt32(const QString &text);
};
