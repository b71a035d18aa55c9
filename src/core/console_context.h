#pragma once

#include "core/controls.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/slot_state.h"
#include "platform/tick_clock.h"

#include <functional>

namespace kaltero::platform {
class Clock;
class Prompts;
}  // namespace kaltero::platform

namespace kaltero::core {

// Procedures that a lower subsystem calls in a higher one (fuel view, countdown, driver
// panel). The window wires them; until then they do nothing.
struct Hooks {
    std::function<void(int slot)> UpdateFuelView = [](int) {};
    std::function<void(int slot)> Chk_ChgCnter_Click = [](int) {};
    std::function<void(int slot)> CloseDriverPanel = [](int) {};
};

// The shared context of every handler: the state, the settings, the controls and the
// services the console runs on.
struct Console {
    Console(platform::Prompts& prompts, platform::Clock& clock)
        : prompts(prompts), clock(clock), tick(clock) {}

    platform::Prompts& prompts;
    platform::Clock& clock;
    platform::TickClock tick;

    Settings settings;
    Paths paths;
    RaceState state;
    Controls ui;
    Hooks hooks;

    qint32 TickCnt() const { return tick.TickCnt(); }
    // A run is in progress exactly while the start button reads "Stop".
    bool timing() const;
};

}  // namespace kaltero::core
