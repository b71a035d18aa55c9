#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/slot_state.h"

namespace kaltero::link {

// What the standings read of one taking-part car.
struct StandingsCar {
    qint32 LapCnt = 0;
    bool LapPending = false;
    QString BestLapTxt;  // the best lap's time text the car is ranked by
    qint32 BestLapNo = 0;
    QString carName;  // the name of the car chosen for the slot (its entry's first column)
    int slot = -1;    // the car's slot 0..9 for its key; -1: its position in the list
    std::optional<qint32> BestLapTicks = std::nullopt;  // none before its first lap of the race
};

using StandingsRow = core::StandingsRow;

struct Standings {
    QStringList SortKey;  // sorted: index = rank position
    QList<StandingsRow> rows;
};

// The lap a car is driving: a counted lap the car has not closed yet is the current one.
//   (5, pending) -> 5, (5, not pending) -> 6
qint64 currentLap(qint32 LapCnt, bool LapPending);

// Sort key of a car: lap part, BestLapTxt, slot digit. The lap part is 999 - current lap as three
// digits, so that more laps sort first; laps over 999 (beyond the lap numbers the link carries)
// get "-" and ten digits of 9999999999 - lap, which sorts before every three-digit part and
// still puts more laps first.
//   lap 5, 1'23"456, slot 2 -> "9941'23\"4562";  lap 1000, "", slot 0 -> "-99999989990"
QString sortKey(qint64 currentLap, const QString& BestLapTxt, int slot);

// Ranks the taking-part cars, given in slot order: keys sorted ascending by binary string
// comparison with an exchange sort, then each rank row filled from the car whose key it is.
// Rank order: more laps first, then the smaller best-lap text, then the lower slot. Fewer than
// two cars need no ranking: the result is then empty.
Standings UpdateStandings(const QList<StandingsCar>& cars);

}  // namespace kaltero::link
