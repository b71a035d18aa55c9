#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// Each car's messages: the operator's to the car, and the car's incoming message, blinking
// while the car has one.
class PitMessages {
public:
    PitMessages(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    // A report was taken: the car's message as the race holds it, blinking while there is one.
    void showCarMessage(int slot);
    void onMessageBlink(int slot);

    static constexpr int kBlinkMs = 500;

private:
    // A car no longer timed: its message stands still on the set-up colour.
    void stopBlink(int slot);

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
