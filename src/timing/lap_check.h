#pragma once

#include "core/slot_state.h"

#include <QList>

namespace kaltero::timing {

// Why a lap asks for the operator's eye (要確認): the pit's network may have cut a lap in two or
// missed a pass.
enum class LapDoubt {
    Short,       // below 60 % of the car's median lap
    Long,        // above 160 % of it
    HoleInStop,  // it ends a silence that followed a stop and was too short to be a lap
};

struct DoubtfulLap {
    qint32 lapNo = 0;
    LapDoubt doubt = LapDoubt::Short;
    friend bool operator==(const DoubtfulLap&, const DoubtfulLap&) = default;
};

// The car's laps to check, lap 1 first. A lap without a time or across a restart is no
// evidence either way; a lap is judged without the time its stops stood in the pit, which is
// no doubt of the lap. A silence after a contact period longer than `pitStopTicks` is a hole in
// the stop when it is shorter than 60 % of the median lap: no car drives a lap in it.
//   median 60000: a lap of 35000 -> Short; 97000 -> Long (with a 40000 stop in it: none); 60000
//   after a 25 s stop whose silence was 7500 -> HoleInStop
QList<DoubtfulLap> doubtfulLaps(const QList<core::Lap>& laps, const QList<core::PitStop>& stops,
                                qint64 pitStopTicks);

// The text the pit wall gives the doubt: 「短い周」.
QString doubtText(LapDoubt doubt);

}  // namespace kaltero::timing
