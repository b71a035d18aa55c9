#pragma once

#include "console/race_tables.h"
#include "core/slot_state.h"

#include <QString>
#include <array>
#include <memory>

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// Driver changes, each car's driver table, and the panel that shows it for 30 seconds.
class DriverPanel {
public:
    DriverPanel(core::Console& console, widgets::Controls& ui);

    void onDriverChosen(int slot);
    void toggleDriverTable(int slot);
    // Closes the panel: after 30 s, or when the operator turns to another field of the car.
    void onDriverTableTimeout(int slot);

    static constexpr int kOpenMs = 30'000;

private:
    // The driver table as its model holds it.
    void showDrivers(int slot);

    core::Console& c_;
    widgets::Controls& ui_;
    std::array<std::unique_ptr<DriverTableModel>, core::kSlotCount> drivers_;
};

}  // namespace kaltero::console
