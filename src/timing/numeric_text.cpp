#include "timing/numeric_text.h"

#include <QLocale>
#include <QString>
#include <cmath>

namespace kaltero::timing {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

std::optional<double> plainNumber(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }

    QString normal;  // "-int.frac", both parts present, for the C locale to read
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') {
            normal += u'-';
        }
        ++i;
    }
    QString whole;
    QString fraction;
    bool point = false;
    for (; i < end; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            (point ? fraction : whole) += c;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty()) {
        return std::nullopt;
    }
    normal += whole.isEmpty() ? QStringLiteral("0") : whole;
    normal += u'.';
    normal += fraction.isEmpty() ? QStringLiteral("0") : fraction;

    bool ok = false;
    const double value = QLocale::c().toDouble(normal, &ok);
    // Hundreds of digits can still overflow a double; such a text is no usable number.
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kaltero::timing
