#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// Draws the standings board from the race each time the standings are worked out anew: the
// rows of the ranked cars; rows below them keep what they show.
class StandingsView {
public:
    explicit StandingsView(core::Console& console);

private:
    void show();

    core::Console& c_;
};

}  // namespace kaltero::console
