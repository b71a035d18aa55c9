#pragma once

#include "core/slot_state.h"

namespace kaltero::link {

// The laps the operator's repairs give. A refusal is the reason the operator is told; empty
// when the repair can be done.

// Lap `lapNo` and the next as one lap: their summed time (none if either has none), ending
// where the next one ended, with its evidence and driver, marked 結合.
//   laps 32500 + 36501 -> one lap of 69001 ticks
QString mergeRefusal(const core::CarSlot& car, qint32 lapNo);
core::Lap mergedLap(const core::CarSlot& car, qint32 lapNo);

// Lap `lapNo` as two laps, the first `firstTicks` long, both marked 分割. The second keeps the
// end and its evidence; the first ends at a time no report marked.
//   a lap of 120000 ending at 500000, split at 60000 -> 60000 ending at 440000, 60000
struct SplitLaps {
    core::Lap first;
    core::Lap second;
};
QString splitRefusal(const core::CarSlot& car, qint32 lapNo);
QString splitRefusal(const core::CarSlot& car, qint32 lapNo, qint64 firstTicks);
SplitLaps splitLaps(const core::CarSlot& car, qint32 lapNo, qint32 firstTicks);

}  // namespace kaltero::link
