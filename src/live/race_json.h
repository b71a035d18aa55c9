#pragma once

#include "core/settings.h"
#include "core/slot_state.h"

#include <QJsonObject>
#include <QSet>
#include <array>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::live {

// The moment a race object describes: the wall clock and the race's tick count then.
struct RaceMoment {
    qint64 nowMs = 0;  // wall clock, epoch ms
    qint32 tickCnt = 0;
};

// For each slot, the lap numbers a car's list holds; an absent filter holds every lap.
using LapFilter = std::array<QSet<int>, core::kSlotCount>;

// The race as the live page reads it: run state, event, clock, message for all cars, standings
// and every taking-part car with its laps. Texts are the console's own (lap times as the grid
// shows them); times in ms are whole numbers; a figure without a value is null, a text "".
// With `only`, each car's "laps" carries just the laps it names (an update), in lap order.
//   no Start yet -> "timing": false, "clock.start": null, "cars": []
//   a lap counted, not yet closed -> {"lap": n, "ms": null, "end": null, ...}
QJsonObject raceObject(const model::RaceModel& race, const core::Settings& settings,
                       const RaceMoment& at, const LapFilter* only = nullptr);

}  // namespace kaltero::live
