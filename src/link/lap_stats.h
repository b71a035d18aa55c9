#pragma once

#include <QList>
#include <QString>

#include "core/settings.h"
#include "core/slot_state.h"
#include "model/race_model.h"

namespace kaltero::link {

// A car's figures after a recomputation, and the texts of its five figure labels.
using LapStats = model::Figures;

// Recomputes a car's figures from its laps (lap 1 first).
//
// A lap counted but not yet timed is no lap; a lap of zero or fewer ticks is never a best. The
// car's best is the earliest of the fastest laps,
// its average the sum over the timed laps truncated; the current driver's figures cover the rows
// carrying exactly that name, the driver average rounded half to even. Predicted laps =
// floor(RemainTicks / average).
//   laps 83000, 82500, 82500 -> best "2周目 1'22\"500", average 82666;
//   RemainTicks 600000 -> "あと7周", RemainTicks -5000 -> "あと-1周"
//
// Unlike a plain 32-bit tally, no lap can overflow or divide by zero: sums are kept wide and
// figures clamped to 32 bits, and the predicted laps keep the previous text whenever the average
// is 0 (not only when the sum is).
LapStats UpdateLapStats(const QList<core::Lap>& laps, const QString& driver, qint32 RemainTicks,
                        const QString& Lbl_YosoSyu, const core::Settings& settings);

}  // namespace kaltero::link
