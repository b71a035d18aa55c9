#include "timing/race_length.h"

#include <algorithm>
#include <limits>

#include "core/number_text.h"
#include "timing/numeric_text.h"

namespace kaltero::timing {

namespace {

std::optional<qint16> fieldValue(QStringView text) {
    return core::roundToInt16(core::leadingNumber(text));
}

// Floor division, so that times before 1970 are also taken down to their whole second.
qint64 wholeSeconds(const QDateTime& time) {
    const qint64 ms = time.toMSecsSinceEpoch();
    return ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
}

}  // namespace

qint16 raceLengthValue(QStringView text) {
    return fieldValue(text).value_or(0);
}

bool isRaceLengthText(QStringView text) {
    return isPlainNumber(text) && fieldValue(text).has_value();
}

std::optional<QDateTime> raceEndTime(QStringView hoursText, QStringView minutesText,
                                     const QDateTime& start) {
    // "No race length" is decided on the numbers as typed, before rounding: 0.4 minutes is a
    // (zero-length) race length, "0" and "abc" are none.
    const auto usableNumber = [](QStringView text) {
        return fieldValue(text) ? core::leadingNumber(text) : 0.0;
    };
    if (usableNumber(hoursText) == 0.0 && usableNumber(minutesText) == 0.0) {
        return std::nullopt;
    }
    const qint64 minutes = qint64(raceLengthValue(hoursText)) * 60 + raceLengthValue(minutesText);
    return start.addSecs(minutes * 60);
}

qint64 secondsToEnd(const QDateTime& now, const QDateTime& end) {
    return wholeSeconds(end) - wholeSeconds(now);
}

qint32 remainTicks(qint64 secondsToEnd, const core::Settings& settings) {
    constexpr qint64 lowest = std::numeric_limits<qint32>::min();
    constexpr qint64 highest = std::numeric_limits<qint32>::max();
    // Beyond +-2^31 seconds the product could overflow 64 bits too; the result is clamped anyway.
    const qint64 seconds = std::clamp(secondsToEnd, lowest, highest);
    return qint32(std::clamp(seconds * qint64(settings.TicksPerSecond), lowest, highest));
}

}  // namespace kaltero::timing
