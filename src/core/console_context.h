#pragma once

#include "core/controls.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/slot_state.h"
#include "platform/tick_clock.h"

namespace kaltero::platform {
class Clock;
class Prompts;
}  // namespace kaltero::platform

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::core {

// The shared context of every handler: the race, the settings, the controls and the services
// the console runs on. The race is read here and changed only through its operations.
struct Console {
    Console(platform::Prompts& prompts, platform::Clock& clock, model::RaceModel& race,
            const RaceState& state)
        : prompts(prompts), clock(clock), tick(clock), race(race), state(state) {}

    platform::Prompts& prompts;
    platform::Clock& clock;
    platform::TickClock tick;
    model::RaceModel& race;
    const RaceState& state;

    Settings settings;
    Paths paths;
    Controls ui;

    qint32 TickCnt() const { return tick.TickCnt(); }
};

}  // namespace kaltero::core
