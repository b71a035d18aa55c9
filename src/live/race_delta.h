#pragma once

#include "core/slot_state.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <array>
#include <memory>
#include <utility>

namespace kaltero::live {

// What changed in the race since the last delta, made on the console's thread and handed to
// the live server's thread, which never reads the race itself. Once made it is never changed:
// both threads may hold it.
struct RaceDelta {
    struct CarLaps {
        qsizetype count = 0;                      // laps the car has now
        QList<std::pair<int, QJsonObject>> laps;  // lap number and lap, those that changed
    };

    QJsonObject head;      // the race without laps (raceHead)
    QElapsedTimer madeAt;  // when the head's clock was read
    bool whole = false;    // Start, Stop, resume, a count correction: pages take all again
    std::array<CarLaps, core::kSlotCount> cars;
};

using RaceDeltaPtr = std::shared_ptr<const RaceDelta>;

}  // namespace kaltero::live
