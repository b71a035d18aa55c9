#pragma once

#include "timing/pit_wall.h"

#include <QString>
#include <optional>

namespace kaltero::timing {

// The pit wall's texts: what the car frames and the pit-wall window show of the figures.

// A duration as m:ss below an hour, h:mm:ss from an hour on; whole seconds, cut down. A
// negative duration carries a "-".
//   at 1000 ticks/s: 65000 -> "1:05", 3725000 -> "1:02:05", 999 -> "0:00", -130000 -> "-2:10"
QString wallTime(qint64 ticks, qint32 TicksPerSecond);

// The car frame's stint line: the stint's time and what is left before the maximum, or how far
// past it the car is; the stint's time alone without a maximum; empty before the first lap.
//   "スティント 42:10 残り 17:50", "スティント 1:02:10 超過 2:10", "スティント 42:10"
QString stintText(const CarWall& wall, qint32 TicksPerSecond);

// The car frame's pit stop line: the count (against the least the rules ask for, when they
// do), the last stop's length and the time since it ended, then the latest lap to come in;
// 最少ピット未達 once the stops still needed no longer fit in the race. While the car is in the
// pit, how long it has stood there against the minimum stop.
//   "ピット 2回 1:05 12:30前", "ピット 1/3回 0:45 2:00前 最遅ピット 57周目",
//   "ピット 0/3回 最少ピット未達", "ピット中 0:25 / 最小 1:00", "ピット中 0:25"
QString stopsText(const CarWall& wall, qint32 TicksPerSecond, qint32 MinPitStops);

// The latest lap to come in: "最遅ピット 57周目"; empty without one.
QString latestPitText(const CarWall& wall);

// Next to the litres left: the laps the fuel still allows and the lap by which the car must
// come in; empty without an estimate.  {20, 30} -> "あと 20 周 30周目まで"
QString fuelLapsText(const std::optional<FuelLaps>& fuel);

// A race time typed as h:mm:ss, m:ss or whole seconds, in seconds from the start; none for any
// other text or a negative one. Minutes and seconds after a colon stay below 60.
//   "1:02:05" -> 3725, "2:05" -> 125, "90" -> 90, "1:75" -> none, "" -> none
std::optional<qint64> raceTimeSeconds(const QString& text);

// A stop as the operator enters it: the lap (1 and up), the start as a race time
// (raceTimeSeconds) and the length in whole seconds. None when any of them is unusable or the
// stop ends beyond the tick counter's range.
//   "12", "1:02:05", "45" at 1000 ticks/s -> lap 12, ticks 3725000..3770000, by the operator
std::optional<core::PitStop> typedStop(const QString& lap, const QString& start,
                                       const QString& seconds, qint32 TicksPerSecond);

// Why a stop the operator enters for the car cannot be, in the operator's words; none when it
// can. A stop falls in a lap the car has driven or is driving, lasts a second or more, has
// ended by `now`, and overlaps none of the car's other stops (`replacing`: the index of the
// stop it corrects, left out).
std::optional<QString> stopRefusal(const core::CarSlot& car, const core::PitStop& stop,
                                   std::optional<qsizetype> replacing, qint32 now,
                                   qint32 TicksPerSecond);

}  // namespace kaltero::timing
