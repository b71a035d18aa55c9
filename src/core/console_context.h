#pragma once

#include "core/paths.h"
#include "core/settings.h"
#include "core/slot_state.h"
#include "platform/tick_clock.h"
#include "platform/udp_link.h"

#include <array>
#include <memory>

namespace kaltero::platform {
class Clock;
class Prompts;
}  // namespace kaltero::platform

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::core {

// The shared context of the engine and the window: the race, the settings and the services the
// console runs on. The race is read here and changed only through its operations.
// The car link's sockets: one per car slot ("Winsock_0".."Winsock_4") and the address check's
// ("WinsockChker"). The console owns them, not its window.
struct LinkSockets {
    LinkSockets() {
        for (int s = 0; s < kSlotCount; ++s) {
            car[s] = std::make_unique<platform::UdpLink>();
            car[s]->setObjectName(QStringLiteral("Winsock_%1").arg(s));
        }
        check->setObjectName(QStringLiteral("WinsockChker"));
    }
    std::array<std::unique_ptr<platform::UdpLink>, kSlotCount> car;
    std::unique_ptr<platform::UdpLink> check = std::make_unique<platform::UdpLink>();
};

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
    LinkSockets sockets;

    qint32 TickCnt() const { return tick.TickCnt(); }
};

}  // namespace kaltero::core
