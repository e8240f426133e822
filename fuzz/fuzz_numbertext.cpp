// The number rule on arbitrary text: no crash, no undefined behaviour, the
// targets agree with each other, blanks never matter, and plain decimals round
// as exact arithmetic says.
#include "settings/numbertext.h"

#include <QRegularExpression>
#include <QString>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Decimals short enough for long double to hold them and their halves exactly.
const QRegularExpression &plainDecimal()
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]{1,12}(\\.[0-9]{0,3})?$"));
    return pattern;
}

QString withoutSkipped(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            result += c;
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const std::optional<qint64> wide = NumberText::toInt64(text);
    const std::optional<qint32> int32 = NumberText::toInt32(text);
    const std::optional<qint16> int16 = NumberText::toInt16(text);

    // The narrower targets are the wide value, range-checked.
    const bool fits32 = wide && *wide >= std::numeric_limits<qint32>::min()
        && *wide <= std::numeric_limits<qint32>::max();
    const bool fits16 = wide && *wide >= std::numeric_limits<qint16>::min()
        && *wide <= std::numeric_limits<qint16>::max();
    check(int32.has_value() == fits32);
    check(int16.has_value() == fits16);
    check(!int32 || *int32 == *wide);
    check(!int16 || *int16 == *wide);

    // Blanks, tabs and line feeds are ignored wherever they stand.
    check(NumberText::toInt64(withoutSkipped(text)) == wide);

    if (plainDecimal().match(text).hasMatch()) {
        const std::string bytes = text.toStdString();
        const long double exact = std::strtold(bytes.c_str(), nullptr);
        std::fesetround(FE_TONEAREST); // halves to even
        const long double expected = std::nearbyint(exact);
        check(wide && static_cast<long double>(*wide) == expected);
    }
    return 0;
}
