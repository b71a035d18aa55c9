#pragma once

#include "core/settings.h"
#include "core/slot_state.h"
#include "race/results_report.h"

namespace kaltero::race {

// What the results report copies from the race: the event data, and per slot with an address
// its title, car, laps and driver table as the console shows them.
ReportInputs reportInputs(const core::RaceState& race, const core::Settings& settings);

// Saves the race's results: a name ending in .csv (any case) gets the laps for a spreadsheet,
// any other the text report. False, with the reason in `why`, when the file cannot be written.
bool writeResults(const core::RaceState& race, const core::Settings& settings,
                  const QString& fileName, QString* why);

}  // namespace kaltero::race
