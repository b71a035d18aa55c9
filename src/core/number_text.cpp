#include "number_text.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kaltero::core {
namespace {

// Reads a text character by character, passing over the blanks, tabs and line feeds that the
// leading-number rule ignores wherever they stand.
class Cursor {
public:
    explicit Cursor(QStringView text) : text_(text) { skip(); }

    char16_t peek() const { return pos_ < text_.size() ? text_[pos_].unicode() : u'\0'; }
    void advance() {
        ++pos_;
        skip();
    }
    bool take(char16_t c) {
        if (peek() != c) {
            return false;
        }
        advance();
        return true;
    }

private:
    void skip() {
        while (pos_ < text_.size() &&
               (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\n')) {
            ++pos_;
        }
    }

    QStringView text_;
    qsizetype pos_ = 0;
};

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int hexDigit(char16_t c) {
    if (isDigit(c)) {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

constexpr double kLargest = std::numeric_limits<double>::max();

// "&H" / "&O" integers, read without sign; more digits than a double can hold saturate.
double radixNumber(Cursor& in, int radix) {
    double value = 0.0;
    for (int d = hexDigit(in.peek()); d >= 0 && d < radix; d = hexDigit(in.peek())) {
        value = value * radix + d;
        if (value > kLargest) {
            value = kLargest;
        }
        in.advance();
    }
    return value;
}

// Significant digits kept; more cannot change a double beyond pathological half-way cases.
constexpr std::size_t kMaxDigits = 800;
// Exponent digits saturate here: far beyond any double, still far from overflowing qint64.
constexpr qint64 kExponentCap = 1'000'000'000'000LL;

// The mantissa as its significant digits and where the first of them stands.
struct Mantissa {
    std::string digits;
    bool anyDigit = false;
    qint64 integerDigits = 0;  // significant digits before the point
    qint64 leadingFractionZeros = 0;

    // The decimal exponent of the first significant digit.
    qint64 firstDigitExponent() const {
        return integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
    }
};

void readDigits(Cursor& in, Mantissa& m, bool fraction) {
    for (; isDigit(in.peek()); in.advance()) {
        m.anyDigit = true;
        if (m.digits.empty() && in.peek() == u'0') {
            m.leadingFractionZeros += fraction ? 1 : 0;
            continue;
        }
        m.integerDigits += fraction ? 0 : 1;
        if (m.digits.size() < kMaxDigits) {
            m.digits += static_cast<char>(in.peek());
        }
    }
}

Mantissa readMantissa(Cursor& in) {
    Mantissa m;
    readDigits(in, m, false);
    if (in.take(u'.')) {
        readDigits(in, m, true);
    }
    while (!m.digits.empty() && m.digits.back() == '0') {
        m.digits.pop_back();
    }
    return m;
}

// Exponent: "E" as usual, "D" as the double-precision exponent of the classic Basic form.
qint64 readExponent(Cursor& in) {
    const char16_t e = in.peek();
    if (e != u'E' && e != u'e' && e != u'D' && e != u'd') {
        return 0;
    }
    in.advance();
    bool negative = false;
    if (in.take(u'-')) {
        negative = true;
    } else {
        in.take(u'+');
    }
    qint64 exponent = 0;
    for (; isDigit(in.peek()); in.advance()) {
        exponent = std::min(exponent * 10 + (in.peek() - u'0'), kExponentCap);
    }
    return negative ? -exponent : exponent;
}

// Significant digits times ten to magnitude (the first digit's exponent). Too large for a
// double: the largest finite value, so that callers see "out of range" rather than an
// infinity. Too small: zero.
double fromDigits(const std::string& digits, qint64 magnitude) {
    if (magnitude > 400) {
        return kLargest;
    }
    if (magnitude < -400) {
        return 0.0;
    }
    std::string normal;
    normal.reserve(digits.size() + 8);
    normal += digits.front();
    normal += '.';
    normal.append(digits, 1);
    normal += 'e';
    normal += std::to_string(magnitude);
    double value = 0.0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return magnitude > 0 ? kLargest : 0.0;
    }
    return result.ec == std::errc() ? value : 0.0;
}

}  // namespace

double leadingNumber(QStringView text) {
    Cursor in(text);
    if (in.take(u'&')) {
        if (in.take(u'H') || in.take(u'h')) {
            return radixNumber(in, 16);
        }
        if (in.take(u'O') || in.take(u'o')) {
            return radixNumber(in, 8);
        }
        return 0.0;
    }
    bool negative = false;
    if (in.take(u'-')) {
        negative = true;
    } else {
        in.take(u'+');
    }
    const Mantissa m = readMantissa(in);
    if (!m.anyDigit) {
        return 0.0;
    }
    const qint64 exponent = readExponent(in);
    if (m.digits.empty()) {
        return 0.0;
    }
    const double value = fromDigits(m.digits, m.firstDigitExponent() + exponent);
    if (value == 0.0) {
        return 0.0;  // never a negative zero
    }
    return negative ? -value : value;
}

namespace {

template <typename Int>
std::optional<Int> roundTo(double value) {
    const double rounded = roundHalfEven(value);
    if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The parts of a plain number; empty when the text is none.
struct PlainParts {
    bool negative = false;
    QStringView whole;
    QStringView fraction;
};

std::optional<PlainParts> plainParts(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    PlainParts parts;
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        parts.negative = text[i] == u'-';
        ++i;
    }
    const qsizetype wholeStart = i;
    while (i < end && isDigit(text[i].unicode())) {
        ++i;
    }
    parts.whole = text.sliced(wholeStart, i - wholeStart);
    if (i < end && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < end && isDigit(text[i].unicode())) {
            ++i;
        }
        parts.fraction = text.sliced(fractionStart, i - fractionStart);
    }
    if (i != end || (parts.whole.isEmpty() && parts.fraction.isEmpty())) {
        return std::nullopt;
    }
    return parts;
}

// The classic general form: the shortest of plain and exponent notation at `precision`
// significant digits, trailing zeros dropped, exponent written "E+20" / "E-05".
template <typename Real>
QString general(Real value, int precision) {
    if (value == 0) {
        return QStringLiteral("0");
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(u'e', u'E');
    return text;
}

}  // namespace

double roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double below = std::floor(value);
    const double fraction = value - below;  // exact: below and value share their exponent range
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) {
        return below + 1.0;
    }
    return below;
}

std::optional<qint16> roundToInt16(double value) {
    return roundTo<qint16>(value);
}
std::optional<qint32> roundToInt32(double value) {
    return roundTo<qint32>(value);
}

bool isPlainNumber(QStringView text) {
    return plainParts(text).has_value();
}

std::optional<double> plainNumber(QStringView text) {
    const auto parts = plainParts(text);
    if (!parts) {
        return std::nullopt;
    }
    // "-int.frac" with both parts present, for the C locale to read.
    QString normal;
    if (parts->negative) {
        normal += u'-';
    }
    normal += parts->whole.isEmpty() ? QStringView(u"0") : parts->whole;
    normal += u'.';
    normal += parts->fraction.isEmpty() ? QStringView(u"0") : parts->fraction;
    bool ok = false;
    const double value = QLocale::c().toDouble(normal, &ok);
    // Hundreds of digits can still overflow a double; such a text is no usable number.
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString generalNumber(double value) {
    return general(value, 15);
}
QString generalNumber(float value) {
    return general(value, 7);
}

std::optional<qint32> wholeNumber(const QString& text, qint32 maximum) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9) {
        return std::nullopt;
    }
    qint32 n = 0;
    for (const QChar c : t) {
        // Full-width digits as a Japanese input method types them.
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9'     ? u - u'0'
                          : u >= u'０' && u <= u'９' ? u - u'０'
                                                     : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        n = n * 10 + digit;
    }
    return n <= maximum ? std::optional<qint32>(n) : std::nullopt;
}

}  // namespace kaltero::core
