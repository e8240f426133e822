#include "settings/numbertext.h"

#include <QtTest>

// An invalid QVariant stands for "does not fit the target".
class tst_NumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rule_data();
    void rule();
};

namespace {
const QVariant Invalid;
}

void tst_NumberText::rule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("int16");
    QTest::addColumn<QVariant>("int32");

    auto row = [](const char *name, const char *text, QVariant int16, QVariant int32) {
        QTest::newRow(name) << QString::fromUtf8(text) << int16 << int32;
    };
    auto same = [&row](const char *name, const char *text, int value) {
        row(name, text, value, value);
    };

    // Plain numbers and the empty text.
    same("empty", "", 0);
    same("digits", "12", 12);
    same("leading zeros", "0007", 7);
    same("plus sign", "+5", 5);
    same("minus sign", "-5", -5);
    same("minus zero", "-0", 0);
    same("sign alone", "-", 0);
    same("point alone", ".", 0);
    same("two signs", "--5", 0);
    same("sign before ampersand", "-&H10", 0);

    // Blanks, tabs and line feeds are skipped everywhere; other characters stop.
    same("blank inside", "1 2", 12);
    same("tab and line feed inside", "\t1\n2 ", 12);
    same("blank after sign", "- 7", -7);
    same("blank inside fraction", "2 . 5 1", 3);
    same("carriage return stops", "1\r2", 1);
    same("trailing letters", "12abc", 12);
    same("letters only", "abc", 0);
    same("comma stops", "1,5", 1);
    same("second point stops", "1.2.9", 1);
    same("non-ascii digit stops", "1\xd9\xa3", 1);

    // Rounding: nearest, halves to the even neighbour.
    same("8.5 to 8", "8.5", 8);
    same("9.5 to 10", "9.5", 10);
    same("-2.5 to -2", "-2.5", -2);
    same("-3.5 to -4", "-3.5", -4);
    same("0.5 to 0", "0.5", 0);
    same("1.5 to 2", "1.5", 2);
    same("just above half", "2.5000000000000000000001", 3);
    same("just below half", "2.4999999999999999999999", 2);
    same("plus point five", "+.5", 0);
    same("minus point six", "-.6", -1);
    same("minus point four", "-.4", 0);
    same("trailing point", "5.", 5);
    same("trailing zeros after half", "6.50000", 6);

    // Exponents.
    same("exponent", "1E3", 1000);
    same("lower-case exponent", "1e3", 1000);
    same("signed exponent", "15E-1", 2);
    same("negative exponent half", "25e-1", 2);
    same("exponent without digits", "1E", 1);
    same("exponent sign without digits", "7E+", 7);
    same("exponent then letters", "7Ex", 7);
    same("point then exponent", "1.5E1", 15);
    same("tiny", "1E-999999999999999", 0);
    same("zero with huge exponent", "0E999999999999999", 0);
    same("blanks in exponent", "2 E 2", 200);

    // Hexadecimal and octal: an unsigned magnitude.
    same("hex", "&HFF", 255);
    same("hex lower case", "&hff", 255);
    same("hex alone", "&H", 0);
    same("hex without digits", "&HG1", 0);
    same("hex stops at point", "&H10.9", 16);
    same("hex with blanks", "& H 1 0", 16);
    same("octal", "&O17", 15);
    same("octal stops at 8", "&O18", 1);
    same("octal alone", "&O", 0);
    same("ampersand alone", "&", 0);
    same("ampersand other letter", "&X12", 0);
    same("hex leading zeros", "&H0000000000000000000001", 1);
    row("hex 7FFF", "&H7FFF", 32767, 32767);
    row("hex FFFF is not -1", "&HFFFF", Invalid, 65535);
    row("hex 7FFFFFFF", "&H7FFFFFFF", Invalid, 2147483647);
    row("hex FFFFFFFF is not -1", "&HFFFFFFFF", Invalid, Invalid);
    row("octal 177777", "&O177777", Invalid, 65535);

    // Limits of the targets.
    row("16-bit max", "32767", 32767, 32767);
    row("16-bit min", "-32768", -32768, -32768);
    row("above 16-bit", "32768", Invalid, 32768);
    row("below 16-bit", "-32769", Invalid, -32769);
    row("count 70000", "70000", Invalid, 70000);
    row("rounds past 16-bit", "32767.5", Invalid, 32768);
    row("rounds to 16-bit min", "-32768.5", -32768, -32768);
    row("32-bit max", "2147483647", Invalid, 2147483647);
    row("32-bit min", "-2147483648", Invalid, qint32(-2147483647 - 1));
    row("above 32-bit", "2147483648", Invalid, Invalid);
    row("exponent past 32-bit", "1E10", Invalid, Invalid);
    row("huge exponent", "1E999999999999999999999", Invalid, Invalid);
    row("nineteen digits", "9999999999999999999", Invalid, Invalid);

    // A million digits, read without giving up early or going slow.
    const QString million(1000000, QLatin1Char('9'));
    const QString zeros(1000000, QLatin1Char('0'));
    const auto huge = [](const char *name, const QString &text, QVariant int16, QVariant int32) {
        QTest::newRow(name) << text << int16 << int32;
    };
    huge("million nines", million, Invalid, Invalid);
    huge("million leading zeros", zeros + QLatin1String("42"), 42, 42);
    huge("million fraction digits", QLatin1String("3.") + million, 4, 4);
    huge("half then million zeros then one", QLatin1String("4.5") + zeros + QLatin1String("1"), 5,
         5);
    huge("million hex digits", QLatin1String("&H") + million, Invalid, Invalid);
    huge("million zeros times exponent", QLatin1String("0.") + zeros + QLatin1String("1E1000005"),
         10000, 10000);
}

void tst_NumberText::rule()
{
    QFETCH(QString, text);
    QFETCH(QVariant, int16);
    QFETCH(QVariant, int32);

    const std::optional<qint16> got16 = NumberText::toInt16(text);
    QCOMPARE(got16.has_value(), int16.isValid());
    if (got16)
        QCOMPARE(int(*got16), int16.toInt());

    const std::optional<qint32> got32 = NumberText::toInt32(text);
    QCOMPARE(got32.has_value(), int32.isValid());
    if (got32)
        QCOMPARE(*got32, int32.toInt());
}

QTEST_GUILESS_MAIN(tst_NumberText)
#include "tst_numbertext.moc"
