#pragma once

#include "core/slot_state.h"

#include <optional>

namespace kaltero::link {

// The laps the operator's repairs give, and why a repair cannot be done (none when it can);
// the window words the reason.
enum class RepairRefusal {
    NoNextLap,       // merge: the lap is the last, or no lap
    NextLapRunning,  // merge: the next lap is still being driven
    NoLap,           // split: no such lap
    LapRunning,      // split: the lap is still being driven
    Untimed,         // split: the lap holds no time
    OutsideLap,      // split: the first part is not within the lap's time
};

// Lap `lapNo` and the next as one lap: their summed time (none if either has none), ending
// where the next one ended, with its evidence and driver, marked 結合.
//   laps 32500 + 36501 -> one lap of 69001 ticks
std::optional<RepairRefusal> mergeRefusal(const core::CarSlot& car, qint32 lapNo);
core::Lap mergedLap(const core::CarSlot& car, qint32 lapNo);

// Lap `lapNo` as two laps, the first `firstTicks` long, both marked 分割. The second keeps the
// end and its evidence; the first ends at a time no report marked.
//   a lap of 120000 ending at 500000, split at 60000 -> 60000 ending at 440000, 60000
struct SplitLaps {
    core::Lap first;
    core::Lap second;
};
std::optional<RepairRefusal> splitRefusal(const core::CarSlot& car, qint32 lapNo);
std::optional<RepairRefusal> splitRefusal(const core::CarSlot& car, qint32 lapNo,
                                          qint64 firstTicks);
SplitLaps splitLaps(const core::CarSlot& car, qint32 lapNo, qint32 firstTicks);

}  // namespace kaltero::link
