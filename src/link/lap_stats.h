#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "core/settings.h"
#include "core/slot_state.h"
#include "model/race_model.h"

namespace kaltero::link {

// A car's figures after a recomputation.
using LapStats = model::Figures;

// Recomputes a car's figures from its laps (lap 1 first).
//
// A lap counted but not yet timed is no lap, nor is a lap across a restart of the console (its
// time holds the time the console was down); a lap of zero or fewer ticks is never a best. The
// car's best is the earliest of the fastest laps,
// its average the sum over the timed laps truncated (none when the sum is 0); the current
// driver's figures cover the rows carrying exactly that name, the driver average rounded half to
// even (none when the car's average is none or 0). Predicted laps = floor(RemainTicks /
// average).
//   laps 83000, 82500, 82500 -> best 82500 on lap 2, average 82666;
//   RemainTicks 600000 -> 7 laps, RemainTicks -5000 -> -1
//
// Unlike a plain 32-bit tally, no lap can overflow or divide by zero: sums are kept wide and
// figures clamped to 32 bits, and the predicted laps stay the car's previous `PredictedLaps`
// whenever the average is 0 (not only when the sum is).
LapStats UpdateLapStats(const QList<core::Lap>& laps, const QString& driver, qint32 RemainTicks,
                        std::optional<qint64> PredictedLaps, const core::Settings& settings);

}  // namespace kaltero::link
