#pragma once

#include "console/addressing.h"
#include "console/car_view.h"
#include "console/corrections.h"
#include "console/driver_panel.h"
#include "console/fuel_panel.h"
#include "console/input_conventions.h"
#include "console/lap_repairs.h"
#include "console/master_data.h"
#include "console/pit_messages.h"
#include "console/pit_wall_view.h"
#include "console/race_clock.h"
#include "console/results_report_view.h"
#include "console/run_control.h"
#include "console/settings_panel.h"
#include "console/slot_choice.h"
#include "console/standings_view.h"
#include "console/stopwatch.h"

namespace kaltero::console {

struct WindowContext;

// Every handler of the console window, connected to its controls.
class Handlers {
public:
    explicit Handlers(WindowContext& console);

    // Window load, in its order: master data, captions, grids, own address, address check.
    void onLoad();

private:
    // The settings panel and the master data editors open from their buttons.
    void connectEditors();

    WindowContext& c_;
    SettingsPanel settings_;
    console::RunControl run_;
    console::RaceClock clock_;
    console::Corrections corrections_;
    console::Stopwatch stopwatch_;
    console::LapRepairs lapRepairs_;
    console::Addressing addressing_;
    console::DriverPanel drivers_;
    console::PitMessages messages_;
    console::FuelPanel fuel_;
    NoInputBlink blink_;
    ResultsReport report_;
    console::MasterData masterData_;
    console::SlotChoice choice_;
    CarView carView_;
    StandingsView standingsView_;
    PitWallView pitWallView_;
};

}  // namespace kaltero::console
