#pragma once

#include "console/addressing.h"
#include "console/car_view.h"
#include "console/corrections.h"
#include "console/driver_panel.h"
#include "console/fuel_panel.h"
#include "console/input_conventions.h"
#include "console/lap_repairs.h"
#include "console/master_data.h"
#include "console/no_input_blink.h"
#include "console/pit_messages.h"
#include "console/pit_wall_view.h"
#include "console/results_report_view.h"
#include "console/run_control.h"
#include "console/settings_panel.h"
#include "console/slot_choice.h"

class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}
namespace kaltero::widgets {
class ChoiceList;
struct RunButtons;
}  // namespace kaltero::widgets

namespace kaltero::console {

// Every handler of the console window, connected to its controls.
class Handlers {
public:
    // The views of the car frames, the main frame's buttons and the course list the window
    // built; the dialogs open over `window`.
    Handlers(core::Console& console, engine::RaceEngine& engine, QWidget* window,
             const widgets::PerCar<widgets::CarPanel*>& cars, const widgets::RunButtons& buttons,
             widgets::ChoiceList* course);

    // Window load, in its order: master data, captions, grids, own address, address check.
    void onLoad();
    const platform::Timer& missingInputBlinkTimer() const { return blink_.timer(); }

private:
    // The settings panel and the master data editors open from their buttons.
    void connectEditors();

    core::Console& c_;
    engine::RaceEngine& engine_;
    widgets::PerCar<widgets::CarPanel*> cars_;
    const widgets::RunButtons& buttons_;
    widgets::ChoiceList* course_;
    SettingsPanel settings_;
    console::RunControl run_;
    console::Corrections corrections_;
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
    PitWallView pitWallView_;
};

}  // namespace kaltero::console
