#pragma once

#include "core/slot_state.h"

#include <QList>
#include <optional>

namespace kaltero::timing {

// The car's typical lap: the median of its laps with a known time (laps without a time and
// laps the console was down in are left out), in ticks; none without such a lap. An even count
// gives the mean of the two middle laps, rounded down. A median, not a mean: a stop or a Wi-Fi
// hole makes a lap far longer or shorter, and must not move the yardstick the others are
// judged by.
//   laps 60000, 61000, 120000 -> 61000;  60000, 61000 -> 60500
std::optional<qint64> medianLapTicks(const QList<core::Lap>& laps);

}  // namespace kaltero::timing
