#pragma once

#include "core/slot_state.h"
#include "race/results_report.h"

namespace kaltero::race {

// What the results report copies from the race: the event data, and per slot with an address
// its title, car, laps and driver table.
ReportInputs reportInputs(const core::RaceState& race);

}  // namespace kaltero::race
