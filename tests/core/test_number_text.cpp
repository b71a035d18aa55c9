#include "core/number_text.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using kaltero::core::generalNumber;
using kaltero::core::leadingNumber;
using kaltero::core::roundToInt16;
using kaltero::core::roundToInt32;

Q_DECLARE_METATYPE(std::optional<qint32>)

namespace {
constexpr double kLargest = std::numeric_limits<double>::max();
}

class TestNumberText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("digits then letters") << u"12abc"_s << 12.0;
        QTest::newRow("blanks inside the digits") << u" 1 2 "_s << 12.0;
        QTest::newRow("tabs and line feeds anywhere") << u"\t1\n0.\t5"_s << 10.5;
        QTest::newRow("carriage return ends the number") << u"1\r2"_s << 1.0;
        QTest::newRow("blank between sign and digits") << u"- 5"_s << -5.0;
        QTest::newRow("exponent") << u"-3.5e2x"_s << -350.0;
        QTest::newRow("exponent with sign") << u"25E-1"_s << 2.5;
        QTest::newRow("classic D exponent") << u"1D3"_s << 1000.0;
        QTest::newRow("exponent without digits is no exponent") << u"4e"_s << 4.0;
        QTest::newRow("fraction only") << u".5"_s << 0.5;
        QTest::newRow("second point ends") << u"1.2.3"_s << 1.2;
        QTest::newRow("comma ends") << u"1,000"_s << 1.0;
        QTest::newRow("hexadecimal") << u"&HFF"_s << 255.0;
        QTest::newRow("hexadecimal read unsigned") << u"&HFFFF"_s << 65535.0;
        QTest::newRow("octal") << u"&O17"_s << 15.0;
        QTest::newRow("ampersand alone") << u"&12"_s << 0.0;
        QTest::newRow("word") << u"abc"_s << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("double sign") << u"--5"_s << 0.0;
        QTest::newRow("full-width digits are no digits") << u"１２"_s << 0.0;
        QTest::newRow("negative zero is zero") << u"-0"_s << 0.0;
        QTest::newRow("many leading zeros") << u"0000000000000000000000042"_s << 42.0;
        QTest::newRow("digits beyond double precision")
            << u"12345678901234567890"_s << 12345678901234567890.0;
        QTest::newRow("overflow reads as the largest double") << u"1e999"_s << kLargest;
        QTest::newRow("just over the largest double") << u"1.8e308"_s << kLargest;
        QTest::newRow("underflow reads as zero") << u"1e-999"_s << 0.0;
        QTest::newRow("endless exponent") << u"1e99999999999999999999999999"_s << kLargest;
        QTest::newRow("zero with a huge exponent") << u"0e99999"_s << 0.0;
        QTest::newRow("hexadecimal beyond a double")
            << QString(u"&H"_s + QString(300, u'F')) << kLargest;
    }
    void leading() {
        QFETCH(QString, text);
        QFETCH(double, number);
        const double read = leadingNumber(text);
        QCOMPARE(read, number);
        QVERIFY(!std::signbit(read) || read != 0.0);
    }

    // Long input is read, not stored digit by digit; the value stays exact where it can.
    void longInput() {
        QCOMPARE(leadingNumber(QString(5'000'000, u'9')), kLargest);
        QCOMPARE(leadingNumber(QString(u"0."_s + QString(1'000'000, u'0') + u"1e1000001"_s)), 1.0);
        QCOMPARE(leadingNumber(QString(QString(1'000'000, u' ') + u"3"_s)), 3.0);
        QCOMPARE(leadingNumber(QString(u"1"_s + QString(2'000, u'0') + u"e-2000"_s)), 1.0);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits16");
        QTest::addColumn<int>("rounded16");
        QTest::addColumn<bool>("fits32");
        QTest::addColumn<int>("rounded32");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("2.5 to even 2") << 2.5 << true << 2 << true << 2;
        QTest::newRow("3.5 to even 4") << 3.5 << true << 4 << true << 4;
        QTest::newRow("-2.5 to even -2") << -2.5 << true << -2 << true << -2;
        QTest::newRow("-3.5 to even -4") << -3.5 << true << -4 << true << -4;
        QTest::newRow("0.5 to 0") << 0.5 << true << 0 << true << 0;
        QTest::newRow("below half") << 2.4999999 << true << 2 << true << 2;
        QTest::newRow("above half") << 2.5000001 << true << 3 << true << 3;
        QTest::newRow("16-bit top") << 32767.0 << true << 32767 << true << 32767;
        QTest::newRow("16-bit top rounds out") << 32767.5 << false << 0 << true << 32768;
        QTest::newRow("16-bit bottom half rounds in")
            << -32768.5 << true << -32768 << true << -32768;
        QTest::newRow("16-bit bottom out") << -32769.0 << false << 0 << true << -32769;
        QTest::newRow("32-bit top") << 2147483647.0 << false << 0 << true << 2147483647;
        QTest::newRow("32-bit top rounds out") << 2147483647.5 << false << 0 << false << 0;
        QTest::newRow("32-bit bottom")
            << -2147483648.0 << false << 0 << true << std::numeric_limits<int>::min();
        QTest::newRow("32-bit bottom out") << -2147483649.0 << false << 0 << false << 0;
        QTest::newRow("largest double") << kLargest << false << 0 << false << 0;
        QTest::newRow("infinity") << inf << false << 0 << false << 0;
        QTest::newRow("not a number") << nan << false << 0 << false << 0;
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(bool, fits16);
        QFETCH(int, rounded16);
        QFETCH(bool, fits32);
        QFETCH(int, rounded32);
        const auto r16 = roundToInt16(value);
        const auto r32 = roundToInt32(value);
        QCOMPARE(r16.has_value(), fits16);
        QCOMPARE(r32.has_value(), fits32);
        if (fits16) {
            QCOMPARE(int{*r16}, rounded16);
        }
        if (fits32) {
            QCOMPARE(*r32, rounded32);
        }
    }

    void generalDouble_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 60.0 << u"60"_s;
        QTest::newRow("half") << 8.5 << u"8.5"_s;
        QTest::newRow("negative") << -0.25 << u"-0.25"_s;
        QTest::newRow("zero") << 0.0 << u"0"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
        QTest::newRow("binary noise hidden") << 0.1 + 0.2 << u"0.3"_s;
        QTest::newRow("no thousands separator") << 1234567.0 << u"1234567"_s;
        QTest::newRow("15 digits plain") << 100000000000000.0 << u"100000000000000"_s;
        QTest::newRow("16 digits as exponent") << 1e15 << u"1E+15"_s;
        QTest::newRow("large") << 1e20 << u"1E+20"_s;
        QTest::newRow("large with digits") << 123456789012345678.0 << u"1.23456789012346E+17"_s;
        QTest::newRow("small plain") << 0.0001 << u"0.0001"_s;
        QTest::newRow("small as exponent") << 0.00001 << u"1E-05"_s;
        QTest::newRow("largest double") << kLargest << u"1.79769313486232E+308"_s;
    }
    void generalDouble() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(generalNumber(value), text);
    }

    void generalFloat_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("8.5") << 8.5F << u"8.5"_s;
        QTest::newRow("60") << 60.0F << u"60"_s;
        QTest::newRow("45.5") << 45.5F << u"45.5"_s;
        QTest::newRow("0.1 without float noise") << 0.1F << u"0.1"_s;
        QTest::newRow("litres after arithmetic") << 60.0F - 2.3F * 3.0F << u"53.1"_s;
        QTest::newRow("negative") << -12.75F << u"-12.75"_s;
        QTest::newRow("7 digits plain") << 1234567.0F << u"1234567"_s;
        QTest::newRow("8 digits as exponent") << 12345678.0F << u"1.234568E+07"_s;
        QTest::newRow("large") << 1e20F << u"1E+20"_s;
        QTest::newRow("small") << 0.00001F << u"1E-05"_s;
        QTest::newRow("zero") << 0.0F << u"0"_s;
    }
    void generalFloat() {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(generalNumber(value), text);
    }

    // What the console writes, it reads back as the same number.
    void generalNumberReadsBack_data() {
        QTest::addColumn<double>("value");
        QTest::newRow("fraction") << 12.345;
        QTest::newRow("large") << 6.02214076e23;
        QTest::newRow("small") << -1.5e-7;
    }
    void generalNumberReadsBack() {
        QFETCH(double, value);
        QCOMPARE(leadingNumber(generalNumber(value)), value);
    }

    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint32>>("number");
        using O = std::optional<qint32>;
        QTest::newRow("60") << u"60"_s << O(60);
        QTest::newRow("blanks") << u" 60 "_s << O(60);
        QTest::newRow("zero") << u"0"_s << O(0);
        QTest::newRow("full width") << u"６０"_s << O(60);
        QTest::newRow("decimal") << u"1.5"_s << O();
        QTest::newRow("negative") << u"-1"_s << O();
        QTest::newRow("letters after") << u"12s"_s << O();
        QTest::newRow("empty") << QString() << O();
        QTest::newRow("above the maximum") << u"100000"_s << O();
    }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(std::optional<qint32>, number);
        QCOMPARE(kaltero::core::wholeNumber(text), number);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_number_text.moc"
