#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// The number rule of the settings file: the leading numeric part of a text,
// rounded half to even. A number that does not fit the target gives no value;
// a text without a leading number gives 0.
//
// Blanks, tabs and line feeds are skipped wherever they stand ("1 2" is 12).
// A decimal number is an optional sign, digits, an optional point with digits
// and an optional exponent (E, optional sign, digits; "1E" stops before the E).
// "&H" and "&O" introduce hexadecimal and octal digits. Their digits are an
// unsigned magnitude: "&HFFFF" is 65535, which does not fit 16 bits, rather than
// a wrapped -1, so no hand-edited value can turn into a different valid one.
// Arithmetic is exact on the digits: no floating point, no overflow on digit
// strings of any length.
class NumberText final
{
public:
    static std::optional<qint16> toInt16(const QString &text);
    static std::optional<qint32> toInt32(const QString &text);

    // The rounded value, or no value when it is too large for any target
    // (more than 18 integer digits).
    static std::optional<qint64> toInt64(QStringView text);
    // The value in tenths, rounded the same way: "2.45" is 24, "&H1" is 10.
    static std::optional<qint64> toTenths(QStringView text);
};
