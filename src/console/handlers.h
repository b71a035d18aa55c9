#pragma once

#include "console/car_view.h"
#include "console/input_conventions.h"
#include "console/results_report_view.h"
#include "console/settings_panel.h"
#include "console/standings_view.h"
#include "link/addressing.h"
#include "link/car_link.h"
#include "masterdata/master_data.h"
#include "masterdata/slot_choice.h"
#include "race/driver_panel.h"
#include "race/fuel_panel.h"
#include "race/pit_messages.h"
#include "timing/corrections.h"
#include "timing/race_clock.h"
#include "timing/run_control.h"

namespace kaltero::console {

// Every handler of the console window, connected to its controls.
class Handlers {
public:
    explicit Handlers(core::Console& console);

    // Window load, in its order: master data, captions, grids, own address, address check.
    void onLoad();
    // The controls the operator sets show what the race rebuilt from the journal holds.
    void showRace();
    // The race rebuilt from the journal goes on being timed.
    void resumeRace();

private:
    core::Console& c_;
    SettingsPanel settings_;
    timing::RunControl run_;
    timing::RaceClock clock_;
    timing::Corrections corrections_;
    link::CarLink link_;
    link::Addressing addressing_;
    race::DriverPanel drivers_;
    race::PitMessages messages_;
    race::FuelPanel fuel_;
    NoInputBlink blink_;
    ResultsReport report_;
    masterdata::MasterData masterData_;
    masterdata::SlotChoice choice_;
    CarView carView_;
    StandingsView standingsView_;
};

}  // namespace kaltero::console
