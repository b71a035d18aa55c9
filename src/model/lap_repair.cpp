#include "model/race_model.h"

#include <algorithm>

namespace kaltero::model {

using namespace Qt::StringLiterals;

namespace {

// Lap `lapNo + 1` goes into lap `lapNo`: its stops with it, later laps and their stops one down.
void dropLapAfter(core::CarSlot& car, qint32 lapNo) {
    car.laps.removeAt(lapNo);
    car.LapCnt = std::max(car.LapCnt - 1, 0);
    for (core::PitStop& stop : car.pitStops) {
        if (stop.lap > lapNo) {
            --stop.lap;
        }
    }
}

// A lap after `lapNo` that begins at `boundary`: the stops of lap `lapNo` from then on and later
// laps with their stops one up.
void insertLapAfter(core::CarSlot& car, qint32 lapNo, const core::Lap& lap, qint32 boundary) {
    car.laps.insert(lapNo, lap);
    ++car.LapCnt;
    for (core::PitStop& stop : car.pitStops) {
        if (stop.lap > lapNo || (stop.lap == lapNo && stop.startTick >= boundary)) {
            ++stop.lap;
        }
    }
}

void insertStop(QList<core::PitStop>& stops, const core::PitStop& stop) {
    const auto later = std::find_if(stops.begin(), stops.end(), [&stop](const core::PitStop& s) {
        return s.startTick > stop.startTick;
    });
    stops.insert(later, stop);
}

// A lap's time in the log: the edit as typed, else its ticks; nothing untimed.
QString lapDetail(const core::Lap& lap) {
    if (lap.edited && !lap.editText.isEmpty()) {
        return lap.editText;
    }
    return lap.timed ? QString::number(lap.ticks) : QString();
}

}  // namespace

void RaceModel::mergeLaps(int slot, qint32 lapNo, const core::Lap& merged) {
    auto& car = at(slot);
    if (lapNo < 1 || lapNo >= car.laps.size()) {
        return;
    }
    LapRepair repair{.merge = true,
                     .lapNo = lapNo,
                     .laps = car.laps.mid(lapNo - 1, 2),
                     .joined = {},
                     .join = {}};
    for (const core::PitStop& stop : car.pitStops) {
        if (stop.lap == lapNo || stop.lap == lapNo + 1) {
            repair.joined.append(stop);
        }
    }
    dropLapAfter(car, lapNo);
    car.laps[lapNo - 1] = merged;
    // A stop the network's hole cut in two is one stop again, hole and all.
    if (repair.joined.size() >= 2) {
        repair.join = {.lap = lapNo,
                       .startTick = repair.joined.first().startTick,
                       .endTick = std::max_element(repair.joined.begin(), repair.joined.end(),
                                                   [](const auto& a, const auto& b) {
                                                       return a.endTick < b.endTick;
                                                   })
                                      ->endTick,
                       .byOperator = std::any_of(repair.joined.begin(), repair.joined.end(),
                                                 [](const auto& s) { return s.byOperator; })};
        car.pitStops.removeIf([lapNo](const core::PitStop& s) { return s.lap == lapNo; });
        insertStop(car.pitStops, repair.join);
    } else {
        repair.joined.clear();
    }
    repairs_[slot].append(repair);
    afterRepair(slot);
    announce(op::LapsMerged{.lap = merged}, slot, lapNo, lapDetail(merged));
}

void RaceModel::splitLap(int slot, qint32 lapNo, const core::Lap& first, const core::Lap& second) {
    auto& car = at(slot);
    if (lapNo < 1 || lapNo > car.laps.size()) {
        return;
    }
    repairs_[slot].append(
        {.merge = false, .lapNo = lapNo, .laps = {car.laps[lapNo - 1]}, .joined = {}, .join = {}});
    car.laps[lapNo - 1] = first;
    insertLapAfter(car, lapNo, second, first.endTick);
    afterRepair(slot);
    announce(op::LapSplit{.first = first, .second = second}, slot, lapNo,
             lapDetail(first) + u" + " + lapDetail(second));
}

bool RaceModel::undoLapRepair(int slot) {
    auto& car = at(slot);
    if (repairs_[slot].isEmpty()) {
        return false;
    }
    const LapRepair repair = repairs_[slot].takeLast();
    const qint32 lapNo = repair.lapNo;
    if (repair.merge) {
        // The joined stop goes back to the stops it was made of, unless the operator has
        // changed it since: then it stays as they made it.
        const bool joinedStill = !repair.joined.isEmpty() && car.pitStops.removeOne(repair.join);
        car.laps[lapNo - 1] = repair.laps[0];
        insertLapAfter(car, lapNo, repair.laps[1], repair.laps[0].endTick);
        if (joinedStill) {
            for (const core::PitStop& stop : repair.joined) {
                insertStop(car.pitStops, stop);
            }
        }
    } else {
        dropLapAfter(car, lapNo);
        car.laps[lapNo - 1] = repair.laps[0];
    }
    afterRepair(slot);
    announce(op::LapRepairUndone{}, slot, lapNo);
    return true;
}

qint32 RaceModel::lapToUndo(int slot) const {
    return repairs_[slot].isEmpty() ? 0 : repairs_[slot].last().lapNo;
}

void RaceModel::afterRepair(int slot) {
    auto& car = at(slot);
    car.LapFlag = core::RecordFlag::Corrected;
    if (!car.laps.isEmpty() && car.laps.last().timed) {
        car.LastLapTicks = car.laps.last().ticks;
    }
    if (figureRule_) {
        const Figures figures = figureRule_(car.laps, car, s_.RemainTicks);
        applyFigures(car, figures);
        showDriverRow(car, figures);
    }
}

}  // namespace kaltero::model
