#pragma once

#include "console/race_tables.h"

namespace kaltero::console {

struct WindowContext;

// Draws the standings board from the standings model each time the race ranks its cars anew:
// the rows of the ranked cars; rows below them keep what they show.
class StandingsView {
public:
    explicit StandingsView(WindowContext& console);

private:
    void show();

    WindowContext& c_;
    StandingsModel standings_;
};

}  // namespace kaltero::console
