#pragma once

#include "core/settings.h"
#include "core/slot_state.h"
#include "race/results_report.h"

namespace kaltero::race {

// What the results report copies from the race: the event data, and per slot with an address
// its title, car, laps and driver table as the console shows them.
ReportInputs reportInputs(const core::RaceState& race, const core::Settings& settings);

}  // namespace kaltero::race
