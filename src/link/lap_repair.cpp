#include "link/lap_repair.h"

namespace kaltero::link {

namespace {

bool stillRunning(const core::CarSlot& car, qint32 lapNo) {
    return lapNo == car.laps.size() && !car.laps.last().timed;
}

QString markedAs(QString remarks, const QString& mark) {
    if (!remarks.contains(mark)) {
        remarks += remarks.isEmpty() ? mark : u' ' + mark;
    }
    return remarks;
}

}  // namespace

std::optional<RepairRefusal> mergeRefusal(const core::CarSlot& car, qint32 lapNo) {
    if (lapNo < 1 || lapNo >= car.laps.size()) {
        return RepairRefusal::NoNextLap;
    }
    if (stillRunning(car, lapNo + 1)) {
        return RepairRefusal::NextLapRunning;
    }
    return std::nullopt;
}

core::Lap mergedLap(const core::CarSlot& car, qint32 lapNo) {
    const core::Lap& a = car.laps.at(lapNo - 1);
    const core::Lap& b = car.laps.at(lapNo);
    core::Lap lap = b;
    lap.timed = a.timed && b.timed;
    lap.ticks = lap.timed ? a.ticks + b.ticks : 0;
    // Its time is the sum of two: no edit as typed.
    lap.editText.clear();
    // The driver who brought it home, as for any lap: b's (a stop cut in two ends with the
    // driver who drove out).
    lap.remarks = a.remarks;
    if (!b.remarks.isEmpty() && b.remarks != a.remarks) {
        lap.remarks = markedAs(lap.remarks, b.remarks);
    }
    lap.remarks = markedAs(lap.remarks, QStringLiteral("結合"));
    lap.corrected = a.corrected || b.corrected;
    lap.edited = a.edited || b.edited;
    lap.acrossRestart = a.acrossRestart || b.acrossRestart;
    return lap;
}

std::optional<RepairRefusal> splitRefusal(const core::CarSlot& car, qint32 lapNo) {
    if (lapNo < 1 || lapNo > car.laps.size()) {
        return RepairRefusal::NoLap;
    }
    if (stillRunning(car, lapNo)) {
        return RepairRefusal::LapRunning;
    }
    if (!car.laps.at(lapNo - 1).timed) {
        return RepairRefusal::Untimed;
    }
    return std::nullopt;
}

std::optional<RepairRefusal> splitRefusal(const core::CarSlot& car, qint32 lapNo,
                                          qint64 firstTicks) {
    if (const auto refusal = splitRefusal(car, lapNo)) {
        return refusal;
    }
    if (firstTicks <= 0 || firstTicks >= car.laps.at(lapNo - 1).ticks) {
        return RepairRefusal::OutsideLap;
    }
    return std::nullopt;
}

SplitLaps splitLaps(const core::CarSlot& car, qint32 lapNo, qint32 firstTicks) {
    const core::Lap& lap = car.laps.at(lapNo - 1);
    SplitLaps out{lap, lap};
    out.first.ticks = firstTicks;
    out.first.endTick = lap.endTick - lap.ticks + firstTicks;
    out.first.log.clear();
    out.first.contactLastTick = 0;
    out.first.contactReports = 0;
    out.first.silenceTicks = 0;
    out.second.ticks = lap.ticks - firstTicks;
    out.second.silenceTicks = std::min(lap.silenceTicks, out.second.ticks);
    for (core::Lap* part : {&out.first, &out.second}) {
        part->editText.clear();  // each part's time is a share of the lap's, not as typed
        part->remarks = markedAs(part->remarks, QStringLiteral("分割"));
    }
    return out;
}

}  // namespace kaltero::link
