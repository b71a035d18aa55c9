#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// Entering and clearing the address of each car's PC; the slot's look follows.
class Addressing {
public:
    Addressing(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    // Btn_ClientNoSet(s) and, after closing the driver panel, Btn_ClientNoSet2(s).
    void enterAddress(int slot);
    // Btn_ClsCar(s).
    void clearSlot(int slot);

private:
    // The address the race took: a slot newly set up changes its look, its fuel starts empty.
    void showAddress(int slot, bool setUp);
    // The slot's address and look as the race holds them.
    void showSlot(int slot);
    void setLook(int slot, bool setUp);

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
