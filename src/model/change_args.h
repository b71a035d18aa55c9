#pragma once

#include "core/slot_state.h"
#include "model/race_model.h"

#include <QVariantMap>

namespace kaltero::model {

// A lap as an operation carries it, and back.
QVariantMap lapArgs(const core::Lap& lap);
core::Lap lapFrom(const QVariantMap& args);
// A car's figures as journals of earlier releases carried them with each lap.
Figures figuresFrom(const QVariantMap& args);

// A pit stop and the endurance rules as operations carry them, and back.
QVariantMap pitStopArgs(const core::PitStop& stop);
core::PitStop pitStopFrom(const QVariantMap& args);
QVariantMap rulesArgs(const core::RaceRules& rules);
core::RaceRules rulesFrom(const QVariantMap& args);

// What the race begins with, as Start carries it: every slot's address, car, driver, driver
// table, fuel figures, countdown and messages; the event, course, race length and the message
// to all cars. Applied to any console (an empty one too) it gives the set-up the race began with.
QVariantMap setUpArgs(const core::RaceState& race);
void applySetUp(core::RaceState& race, const QVariantMap& args);

// An instant as it outlives the process: UTC milliseconds since the epoch, whatever the time
// zone; none for an invalid time.
QVariant instantArg(const QDateTime& time);
// The instant back, shown in local time. Older journals stored a local time text without its
// offset: read as local time of this machine, the best guess there is.
std::optional<QDateTime> instantFrom(const QVariant& value);

}  // namespace kaltero::model
