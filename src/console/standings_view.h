#pragma once

namespace kaltero::console {

struct WindowContext;

// Draws the standings board from the race each time the standings are worked out anew: the
// rows of the ranked cars; rows below them keep what they show.
class StandingsView {
public:
    explicit StandingsView(WindowContext& console);

private:
    void show();

    WindowContext& c_;
};

}  // namespace kaltero::console
