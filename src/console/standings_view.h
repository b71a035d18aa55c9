#pragma once

#include "console/race_tables.h"

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// Draws the standings board from the standings model each time the race ranks its cars anew:
// the rows of the ranked cars; rows below them keep what they show.
class StandingsView {
public:
    StandingsView(core::Console& console, widgets::Controls& ui);

private:
    void show();

    core::Console& c_;
    widgets::Controls& ui_;
    StandingsModel standings_;
};

}  // namespace kaltero::console
