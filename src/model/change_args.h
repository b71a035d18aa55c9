#pragma once

#include "core/slot_state.h"
#include "model/race_model.h"

#include <QVariantMap>

namespace kaltero::model {

// A car's figures as journals of earlier releases carried them with each lap.
Figures figuresFrom(const QVariantMap& args);

// What the race begins with, as Start carries it: every slot's address, car, driver, driver
// table, fuel figures, countdown and messages; the event, course, race length and the message
// to all cars. Applied to any console (an empty one too) it gives the set-up the race began with.
RaceSetUp setUpOf(const core::RaceState& race);
void applySetUp(core::RaceState& race, const RaceSetUp& setUp);

}  // namespace kaltero::model
