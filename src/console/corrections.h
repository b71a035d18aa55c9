#pragma once

namespace kaltero::console {

struct WindowContext;

// The operator's corrections of a car during a run: its lap count, stopping it alone, and a lap
// time typed into its lap grid that the race refuses.
class Corrections {
public:
    explicit Corrections(WindowContext& console);

    void onLapCountCorrected(int slot);
    void stopOneCar(int slot);

private:
    WindowContext& c_;
};

}  // namespace kaltero::console
