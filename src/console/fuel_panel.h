#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}

namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

// Each car's fuel panel (refuelling, economy, the estimate on the gauge and its low-fuel
// blink) and its lap countdown switch.
class FuelPanel {
public:
    FuelPanel(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    // Recomputes the estimate of the car and shows it; without a course, an economy or a tank
    // the panel stays as it is.
    void UpdateFuelView(int slot);
    void onFuelBlink(int slot);
    void onRefuelled(int slot);
    void onRefuelEntered(int slot);
    void onEconomyEntered(int slot);
    void onCountdownEntered(int slot);
    // Follows the box: ticked starts the countdown at CheckDefaultLaps, cleared switches it off.
    void onCountdownSwitched(int slot);

    static constexpr int kBlinkMs = 1000;

private:
    // The car's fields and buttons send the operator's input to the race.
    void connectCar(int slot);
    void show(const model::Change& change);
    // The countdown's box, laps and captions as the race holds them.
    void showCountdown(int slot);
    // The economy box shows the race's economy: always for a car just chosen, otherwise unless
    // it says it already.
    void showEconomy(int slot, bool chosen);
    // A car PC's address entered: no fuel in yet.
    void showNewAddress(int slot, bool setUp);

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
