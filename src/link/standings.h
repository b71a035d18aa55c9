#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "core/slot_state.h"

namespace kaltero::link {

// What the standings read of one taking-part car.
struct StandingsCar {
    qint32 LapCnt = 0;
    bool LapPending = false;
    qint32 BestLapNo = 0;
    QString carName;  // the name of the car chosen for the slot (its entry's first column)
    int slot = -1;    // the car's slot 0..9 for its key; -1: its position in the list
    std::optional<qint32> BestLapTicks = std::nullopt;  // none before its first lap of the race
};

using StandingsRow = core::StandingsRow;

struct Standings {
    QList<StandingsRow> rows;  // index = rank position
};

// The lap a car is driving: a counted lap the car has not closed yet is the current one.
//   (5, pending) -> 5, (5, not pending) -> 6
qint64 currentLap(qint32 LapCnt, bool LapPending);

// What a car is ranked by: the lap it is driving, its best lap (none before its first lap of the
// race) and its slot.
struct RankKey {
    qint64 lap = 0;
    std::optional<qint32> best;
    int slot = 0;
};

// Whether a ranks ahead of b: more laps first; on the same lap a car without a best yet, then
// the better best; then the lower slot.
bool ranksAhead(const RankKey& a, const RankKey& b);
// The key of the car in a slot.
RankKey rankKeyOf(const core::CarSlot& car, int slot);

// Ranks the taking-part cars, given in slot order (ten at most). Fewer than two cars need no
// ranking: the result is then empty.
Standings UpdateStandings(const QList<StandingsCar>& cars);

}  // namespace kaltero::link
