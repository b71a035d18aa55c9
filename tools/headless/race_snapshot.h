#pragma once

#include <QJsonObject>
#include <QStringList>

namespace kaltero::core {
struct RaceState;
struct Settings;
}  // namespace kaltero::core

namespace kaltero::headless {

// What a console holds of its race, for a test in another process to read:
//   {"timing": true, "prompts": [...], "event": {"name", "date", "weather", "temperature"},
//    "slots": [{"address", "carName", "driver", "lapCount", "pending", "record",
//               "laps": [{"lap", "timed", "ticks", "time", "driver", "remarks", "log"}],
//               "drivers": [{"name", "best", "average"}]}, ...five]}
// "prompts" are the texts of the messages and questions the console showed; lap times read as
// the console's `settings` show them.
QJsonObject raceSnapshot(const core::RaceState& race, const core::Settings& settings, bool timed,
                         const QStringList& prompts);

// Writes the snapshot whole (a temporary file, then a rename), so a reader never sees half.
bool writeSnapshot(const QJsonObject& snapshot, const QString& path);

}  // namespace kaltero::headless
