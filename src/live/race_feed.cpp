#include "live/race_feed.h"

#include "model/race_model.h"
#include "timing/lap_check.h"
#include "timing/pit_wall.h"
#include "timing/time_text.h"

namespace kaltero::live {

using model::Op;

RaceFeed::RaceFeed(const model::RaceModel& race, const core::Settings& settings, Moment moment,
                   QObject* parent)
    : QObject(parent), race_(race), settings_(settings), moment_(std::move(moment)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kCoalesceMs);
    connect(&timer_, &QTimer::timeout, this, &RaceFeed::flush);
    connect(&race_, &model::RaceModel::changed, this, &RaceFeed::onChange);
    allLaps_.fill(true);
    timer_.start();
}

void RaceFeed::onChange(const model::Change& change) {
    switch (change.op) {
        // The page keeps its clock running from the last one it got, and ranks from the laps.
        case Op::ClockUpdated:
        case Op::StandingsUpdated:
        case Op::StopwatchStarted:
        case Op::StopwatchStopped:
            return;
        case Op::Started:
        case Op::Stopped:
        case Op::Resumed:
            whole_ = true;
            allLaps_.fill(true);
            break;
        case Op::LapCorrected:
        case Op::LapsMerged:
        case Op::LapSplit:
        case Op::LapRepairUndone:
            whole_ = true;
            if (change.slot >= 0 && change.slot < core::kSlotCount) {
                allLaps_[change.slot] = true;
            }
            break;
        case Op::LapCounted:
        case Op::LapRecorded:
        case Op::LapTimeEdited:
        case Op::LapDriverEdited:
        case Op::LapRemarksEdited:
            if (change.slot >= 0 && change.slot < core::kSlotCount && change.lap > 0) {
                laps_[change.slot].insert(change.lap);
            }
            break;
        default:
            break;
    }
    if (change.slot >= 0 && change.slot < core::kSlotCount) {
        cars_[change.slot] = {};
    } else {
        cars_.fill({});
    }
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void RaceFeed::flush() {
    timer_.stop();
    const auto d = newDelta(whole_);
    for (int s = 0; s < core::kSlotCount; ++s) {
        // A lap the median moved into or out of doubt goes again with its new mark.
        const QSet<int> doubtful = doubtfulLaps(s);
        QSet<int> turned = doubtful;
        turned.unite(doubtful_[s]).subtract(QSet<int>(doubtful).intersect(doubtful_[s]));
        laps_[s].unite(turned);
        doubtful_[s] = doubtful;
        addLaps(*d, s, doubtful, allLaps_[s] ? nullptr : &laps_[s]);
        laps_[s].clear();
    }
    whole_ = false;
    allLaps_.fill(false);
    Q_EMIT delta(d);
}

RaceDeltaPtr RaceFeed::wholeRace() {
    const auto d = newDelta(true);
    for (int s = 0; s < core::kSlotCount; ++s) {
        addLaps(*d, s, doubtfulLaps(s), nullptr);
    }
    return d;
}

std::shared_ptr<RaceDelta> RaceFeed::newDelta(bool whole) {
    auto d = std::make_shared<RaceDelta>();
    d->head = raceHead(race_, settings_, moment_(), &cars_);
    d->madeAt.start();
    d->whole = whole;
    return d;
}

QSet<int> RaceFeed::doubtfulLaps(int slot) const {
    const core::RaceState& st = race_.state();
    const qint64 pitStop =
        timing::ruleTicks(st.rules, timing::raceUnits(settings_, st).TicksPerSecond).pitStop;
    QSet<int> doubtful;
    for (const timing::DoubtfulLap& lap :
         timing::doubtfulLaps(st.car[slot].laps, st.car[slot].pitStops, pitStop)) {
        doubtful.insert(lap.lapNo);
    }
    return doubtful;
}

void RaceFeed::addLaps(RaceDelta& d, int slot, const QSet<int>& doubtful,
                       const QSet<int>* lapNos) const {
    const core::RaceState& st = race_.state();
    const QList<core::Lap>& laps = st.car[slot].laps;
    RaceDelta::CarLaps& out = d.cars[slot];
    out.count = laps.size();
    const core::Settings units = timing::raceUnits(settings_, st);
    const auto add = [&](int lapNo) {
        out.laps.append({lapNo, lapObject(laps[lapNo - 1], lapNo, st.RaceStartTime, units,
                                          doubtful.contains(lapNo))});
    };
    if (!lapNos) {
        for (int n = 1; n <= laps.size(); ++n) {
            add(n);
        }
        return;
    }
    QList<int> changed(lapNos->begin(), lapNos->end());
    std::sort(changed.begin(), changed.end());
    for (int n : changed) {
        if (n <= laps.size()) {
            add(n);
        }
    }
}

}  // namespace kaltero::live
