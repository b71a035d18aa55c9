#pragma once

#include "core/settings.h"
#include "core/slot_state.h"

#include <QJsonArray>
#include <QJsonObject>
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

// The race as the live page reads it, without the cars' laps: run state, event, clock, message
// for all cars, standings and every taking-part car with its figures. Texts are the console's
// own (lap times as the grid shows them); times in ms are whole numbers; a figure without a
// value is null, a text "". Its size does not grow with the race's laps. With `made`, a car
// whose object is there already is not made again (a car works its figures out from all its
// laps), and the cars made are put there.
//   no Start yet -> "timing": false, "clock.start": null, "cars": []
using CarObjects = std::array<QJsonObject, core::kSlotCount>;
QJsonObject raceHead(const model::RaceModel& race, const core::Settings& settings,
                     const RaceMoment& at, CarObjects* made = nullptr);

// One lap of a car as the page reads it, lapNo counted from 1; `toCheck`: a lap the operator
// should look at (要確認).
//   a lap counted, not yet closed -> {"lap": n, "ms": null, "end": null, ...}
QJsonObject lapObject(const core::Lap& lap, int lapNo, const QDateTime& raceStart,
                      const core::Settings& settings, bool toCheck = false);

// A car's text for the page: control characters dropped, then cut to what the console shows.
//   "OK\r\n\x1b[2J" -> "OK[2J"
QString pageText(const QString& text, qsizetype maxChars);

}  // namespace kaltero::live
