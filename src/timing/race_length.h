#pragma once

#include <QDateTime>
#include <QStringView>
#include <optional>

#include "core/settings.h"

namespace kaltero::timing {

// The whole number a race-length box stands for: its leading number rounded to the nearest,
// halves to even. A text without a number counts 0. A number that does not fit 16 bits
// cannot be a race length: it counts 0 as well, exactly like a text without a number (and the
// box refuses it when it loses the focus, see isRaceLengthText).
//   "1" -> 1, "1.5" -> 2, "2.5" -> 2, "-1" -> -1, "abc" -> 0, "40000" -> 0
qint16 raceLengthValue(QStringView text);

// Whether a race-length box may keep its text when it loses the focus: a plain number
// (sign, decimal point, blanks around it) that fits 16 bits after rounding.
//   "12", " 3 ", "-1", "1.5" -> true;  "abc", "", "1e3", "40000" -> false
bool isRaceLengthText(QStringView text);

// End of the race from the hours and minutes boxes, measured from the start; nothing when both
// boxes count 0 (no race length). Minutes of 60 or more carry into the hours, negative values
// shorten the race.
//   ("1", "30") and ("0", "90") from 14:00 -> 15:30;  ("2", "-30") -> 15:30;  ("0", "0") -> {}
std::optional<QDateTime> raceEndTime(QStringView hoursText, QStringView minutesText,
                                     const QDateTime& start);

// Whole seconds from now to the end, each time first taken down to its whole second; negative
// after the end.  now 14:00:05.900, end 15:30:00.000 -> 5395
qint64 secondsToEnd(const QDateTime& now, const QDateTime& end);

// RemainTicks for the seconds to the end: TicksPerSecond x seconds, held at the 32-bit limits
// rather than wrapping when a very long race would not fit.
qint32 remainTicks(qint64 secondsToEnd, const core::Settings& settings);

}  // namespace kaltero::timing
