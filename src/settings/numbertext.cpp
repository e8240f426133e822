#include "settings/numbertext.h"

#include <limits>
#include <string>

namespace {

// Integer digits beyond which a value cannot fit a 64-bit integer.
constexpr qint64 MaxIntegerDigits = 18;
// Exponents are clamped here: far beyond any value that could fit, yet far
// from overflowing when added to a digit count.
constexpr qint64 ExponentLimit = qint64(1) << 40;
// Hexadecimal and octal magnitudes are clamped here; every larger literal is
// out of range for every target just the same.
constexpr quint64 RadixMagnitudeLimit = quint64(1) << 62;

constexpr int HexRadix = 16;
constexpr int OctalRadix = 8;
constexpr int DecimalRadix = 10;
constexpr int HalfDigit = 5;

bool isSkipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// Reads the text one significant character at a time.
class Cursor
{
public:
    explicit Cursor(QStringView text) : m_text(text) { skip(); }

    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : m_text[m_pos].unicode(); }
    void advance()
    {
        ++m_pos;
        skip();
    }
    qsizetype position() const { return m_pos; }
    void rewind(qsizetype position) { m_pos = position; }

private:
    void skip()
    {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

int digitValue(char16_t c, int radix)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + DecimalRadix;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + DecimalRadix;
    return value < radix ? value : -1;
}

// "&H..." or "&O...", the cursor standing after the letter.
std::optional<qint64> radixMagnitude(Cursor &cursor, int radix)
{
    quint64 magnitude = 0;
    for (int digit = digitValue(cursor.peek(), radix); digit >= 0;
         digit = digitValue(cursor.peek(), radix)) {
        if (magnitude <= (RadixMagnitudeLimit - quint64(digit)) / quint64(radix))
            magnitude = magnitude * quint64(radix) + quint64(digit);
        else
            magnitude = RadixMagnitudeLimit;
        cursor.advance();
    }
    if (magnitude >= RadixMagnitudeLimit)
        return std::nullopt;
    return qint64(magnitude);
}

// value = digits * 10^exponent; digits carry neither leading nor trailing zeros.
struct Decimal
{
    std::string digits;
    qint64 exponent = 0;
    bool negative = false;
};

qint64 clampExponent(qint64 exponent)
{
    return qBound(-ExponentLimit, exponent, ExponentLimit);
}

Decimal decimalNumber(Cursor &cursor)
{
    Decimal number;
    if (cursor.peek() == u'+' || cursor.peek() == u'-') {
        number.negative = cursor.peek() == u'-';
        cursor.advance();
    }
    for (int digit = digitValue(cursor.peek(), DecimalRadix); digit >= 0;
         digit = digitValue(cursor.peek(), DecimalRadix)) {
        if (digit != 0 || !number.digits.empty())
            number.digits.push_back(char('0' + digit));
        cursor.advance();
    }
    if (cursor.peek() == u'.') {
        cursor.advance();
        for (int digit = digitValue(cursor.peek(), DecimalRadix); digit >= 0;
             digit = digitValue(cursor.peek(), DecimalRadix)) {
            if (digit != 0 || !number.digits.empty())
                number.digits.push_back(char('0' + digit));
            number.exponent = clampExponent(number.exponent - 1);
            cursor.advance();
        }
    }
    if (cursor.peek() == u'E' || cursor.peek() == u'e') {
        // The exponent belongs to the number only when it has digits.
        const qsizetype beforeExponent = cursor.position();
        cursor.advance();
        bool negativeExponent = false;
        if (cursor.peek() == u'+' || cursor.peek() == u'-') {
            negativeExponent = cursor.peek() == u'-';
            cursor.advance();
        }
        bool anyDigit = false;
        qint64 exponent = 0;
        for (int digit = digitValue(cursor.peek(), DecimalRadix); digit >= 0;
             digit = digitValue(cursor.peek(), DecimalRadix)) {
            anyDigit = true;
            exponent = clampExponent(exponent * DecimalRadix + digit);
            cursor.advance();
        }
        if (anyDigit)
            number.exponent
                = clampExponent(number.exponent + (negativeExponent ? -exponent : exponent));
        else
            cursor.rewind(beforeExponent);
    }
    while (!number.digits.empty() && number.digits.back() == '0') {
        number.digits.pop_back();
        number.exponent = clampExponent(number.exponent + 1);
    }
    return number;
}

// Rounds to the nearest integer, halves to the even neighbour.
std::optional<qint64> rounded(const Decimal &number)
{
    if (number.digits.empty())
        return 0;
    const qint64 digitCount = qint64(number.digits.size());
    const qint64 integerDigits = digitCount + number.exponent;
    if (integerDigits > MaxIntegerDigits)
        return std::nullopt;

    qint64 magnitude = 0;
    for (qint64 i = 0; i < integerDigits; ++i)
        magnitude
            = magnitude * DecimalRadix + (i < digitCount ? number.digits[size_t(i)] - '0' : 0);

    // Below 0.1 when integerDigits < 0: always rounds down.
    if (integerDigits >= 0 && integerDigits < digitCount) {
        const int firstFraction = number.digits[size_t(integerDigits)] - '0';
        const bool moreFraction = digitCount > integerDigits + 1; // no trailing zeros
        const bool odd = magnitude % 2 != 0;
        if (firstFraction > HalfDigit || (firstFraction == HalfDigit && (moreFraction || odd)))
            ++magnitude;
    }
    return number.negative ? -magnitude : magnitude;
}

// A whole magnitude times 10^decimals, none when that leaves the range.
std::optional<qint64> shifted(std::optional<qint64> magnitude, int decimals)
{
    for (int i = 0; magnitude && i < decimals; ++i) {
        if (*magnitude >= qint64(RadixMagnitudeLimit) / DecimalRadix)
            return std::nullopt;
        *magnitude *= DecimalRadix;
    }
    return magnitude;
}

// The value times 10^decimals, rounded by the rule.
std::optional<qint64> scaled(QStringView text, int decimals)
{
    Cursor cursor(text);
    if (cursor.peek() == u'&') {
        cursor.advance();
        const char16_t letter = cursor.peek();
        if (letter == u'H' || letter == u'h') {
            cursor.advance();
            return shifted(radixMagnitude(cursor, HexRadix), decimals);
        }
        if (letter == u'O' || letter == u'o') {
            cursor.advance();
            return shifted(radixMagnitude(cursor, OctalRadix), decimals);
        }
        return 0;
    }
    Decimal number = decimalNumber(cursor);
    if (!number.digits.empty())
        number.exponent = clampExponent(number.exponent + decimals);
    return rounded(number);
}

template<typename Target> std::optional<Target> fitted(const QString &text)
{
    const std::optional<qint64> value = NumberText::toInt64(text);
    if (!value || *value < std::numeric_limits<Target>::min()
        || *value > std::numeric_limits<Target>::max())
        return std::nullopt;
    return Target(*value);
}

} // namespace

std::optional<qint64> NumberText::toInt64(QStringView text)
{
    return scaled(text, 0);
}

std::optional<qint64> NumberText::toTenths(QStringView text)
{
    return scaled(text, 1);
}

std::optional<qint16> NumberText::toInt16(const QString &text)
{
    return fitted<qint16>(text);
}

std::optional<qint32> NumberText::toInt32(const QString &text)
{
    return fitted<qint32>(text);
}
