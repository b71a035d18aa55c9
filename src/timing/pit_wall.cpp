#include "timing/pit_wall.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kaltero::timing {

QList<ContactPeriod> contactPeriods(const QList<qint32>& reportTicks, qint32 NoCommTicks) {
    QList<ContactPeriod> periods;
    for (const qint32 tick : reportTicks) {
        // 64-bit difference: ticks of a long race never overflow the gap.
        if (periods.isEmpty() || qint64(tick) - periods.last().lastTick > NoCommTicks) {
            periods.append({tick, tick});
        } else {
            periods.last().lastTick = tick;
        }
    }
    return periods;
}

bool isPitStop(const ContactPeriod& period, qint64 pitStopTicks) {
    return period.length() > pitStopTicks;
}

std::optional<qint32> pitEntry(const core::CarSlot& car, qint64 pitStopTicks) {
    if (car.PitSinceTick || !car.InContact || car.LapCnt < 1 ||
        !isPitStop({car.ContactStartTick, car.LastRcvTick}, pitStopTicks)) {
        return std::nullopt;
    }
    return car.ContactStartTick;
}

std::optional<FuelLaps> fuelLaps(qint32 CourseLength, float FuelEconomy, float FuelTotal,
                                 qint32 LapCnt) {
    if (CourseLength <= 0 || !std::isfinite(FuelEconomy) || FuelEconomy <= 0.0F ||
        !std::isfinite(FuelTotal)) {
        return std::nullopt;
    }
    const double perLap = double(CourseLength) / double(FuelEconomy);
    const double left = double(FuelTotal) - perLap * LapCnt;
    const double laps = left > 0.0 ? std::floor(left / perLap) : 0.0;
    // A lap count beyond the tick counter's range is no figure a race can reach.
    if (laps > double(std::numeric_limits<qint32>::max() - LapCnt)) {
        return std::nullopt;
    }
    return FuelLaps{qint32(laps), LapCnt + qint32(laps)};
}

namespace {

// The lap's time goes into the stint's, unless the console was down in it.
void addLap(Stint& stint, const StintLap& lap) {
    if (lap.unknown) {
        stint.unknownTime = true;
    } else {
        stint.ticks += lap.ticks;
    }
}

bool startsStint(const QString& driverBefore, const StintLap& lap) {
    return lap.pitStop || lap.driver != driverBefore;
}

bool stopFallsIn(const core::CarSlot& car, qint32 lapNo) {
    return std::any_of(car.pitStops.begin(), car.pitStops.end(),
                       [lapNo](const core::PitStop& s) { return s.lap == lapNo; });
}

qint32 drivingLap(const core::CarSlot& car) {
    return car.LapPending ? car.LapCnt : car.LapCnt + 1;
}

// The lap the car is driving and the time it has run, while it is timed.
std::optional<std::pair<qint32, StintLap>> runningLap(const core::CarSlot& car, qint32 now) {
    if (!car.Running) {
        return std::nullopt;
    }
    const qint32 lapNo = drivingLap(car);
    const qint64 inPit =
        car.PitSinceTick ? std::max<qint64>(0, qint64(now) - *car.PitSinceTick) : 0;
    return std::pair{lapNo,
                     StintLap{car.Driver, std::max<qint64>(0, qint64(now) - car.LapStartTick),
                              car.PitSinceTick || stopFallsIn(car, lapNo), inPit, car.ResumedLap}};
}

StintLap stintLap(const core::CarSlot& car, qsizetype i) {
    const core::Lap& lap = car.laps[i];
    return {lap.driver, lap.timed ? lap.ticks : 0, stopFallsIn(car, qint32(i + 1)), 0,
            lap.acrossRestart};
}

}  // namespace

std::optional<core::PitStop> stopAtEnd(const core::CarSlot& car, qint64 pitStopTicks, qint32 now) {
    const std::optional<qint32> since =
        car.PitSinceTick ? car.PitSinceTick : pitEntry(car, pitStopTicks);
    if (!since) {
        return std::nullopt;
    }
    return core::PitStop{drivingLap(car), *since, now, false};
}

QList<Stint> stints(const QList<StintLap>& laps) {
    QList<Stint> out;
    for (qsizetype i = 0; i < laps.size(); ++i) {
        const StintLap& lap = laps[i];
        if (out.isEmpty() || startsStint(out.last().driver, lap)) {
            out.append({lap.driver, qint32(i + 1), 0, 0});
        }
        ++out.last().laps;
        addLap(out.last(), lap);
    }
    return out;
}

QList<StintLap> stintLaps(const core::CarSlot& car, std::optional<qint32> now) {
    QList<StintLap> laps;
    laps.reserve(car.laps.size() + 1);
    for (qsizetype i = 0; i < car.laps.size(); ++i) {
        const core::Lap& lap = car.laps[i];
        laps.append({lap.driver, lap.timed ? lap.ticks : 0, false, 0, lap.acrossRestart});
    }
    // Each stop marks its lap once: a long race's laps are not searched stop by stop.
    for (const core::PitStop& stop : car.pitStops) {
        if (stop.lap >= 1 && stop.lap <= laps.size()) {
            laps[stop.lap - 1].pitStop = true;
        }
    }
    if (const auto running = now ? runningLap(car, *now) : std::nullopt) {
        laps.resize(running->first - 1);
        laps.append(running->second);
    } else if (car.LapPending && !laps.isEmpty() && !car.laps.last().timed &&
               car.laps.last().driver.isEmpty()) {
        // Timing stopped on the lap: no report closed it, but the car's driver drove it.
        laps.last().driver = car.Driver;
    }
    return laps;
}

std::optional<Stint> currentStint(const core::CarSlot& car, qint32 now) {
    // Walks back from the last lap only as far as the stint goes: the link asks at every report.
    const auto running = runningLap(car, now);
    qint32 lapNo = running ? running->first : qint32(car.laps.size());
    if (lapNo < 1) {
        return std::nullopt;
    }
    StintLap lap = running ? running->second : stintLap(car, lapNo - 1);
    Stint stint{lap.driver, lapNo, 0, 0};
    ++stint.laps;
    addLap(stint, lap);
    while (!lap.pitStop && lapNo > 1) {
        const StintLap before = stintLap(car, lapNo - 2);
        if (before.driver != stint.driver) {
            break;
        }
        --lapNo;
        lap = before;
        stint.firstLap = lapNo;
        ++stint.laps;
        addLap(stint, lap);
    }
    return stint;
}

QList<DriverTime> driverTimes(const QList<Stint>& stints) {
    QList<DriverTime> out;
    for (const Stint& stint : stints) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&stint](const DriverTime& d) { return d.driver == stint.driver; });
        if (it == out.end()) {
            out.append({stint.driver});
            it = out.end() - 1;
        }
        it->ticks += stint.ticks;
        it->unknownTime = it->unknownTime || stint.unknownTime;
        it->laps += stint.laps;
        ++it->stints;
    }
    return out;
}

Alert limitAlert(qint64 used, qint64 limitTicks, qint64 nearTicks) {
    if (limitTicks <= 0) {
        return Alert::None;
    }
    if (used > limitTicks) {
        return Alert::Passed;
    }
    return used >= limitTicks - nearTicks ? Alert::Near : Alert::None;
}

RuleTicks ruleTicks(const core::RaceRules& r, qint32 TicksPerSecond) {
    const qint64 minute = 60LL * TicksPerSecond;
    return {.maxStint = r.MaxStintMinutes * minute,
            .maxDriving = r.MaxDrivingMinutes * minute,
            .minDriving = r.MinDrivingMinutes * minute,
            .minPitStop = qint64(r.MinPitStopSeconds) * TicksPerSecond,
            .pitStop = qint64(r.PitStopSeconds) * TicksPerSecond,
            .stintMessage = r.StintMessageMinutes * minute,
            .warn = kWarnSeconds * TicksPerSecond};
}

std::optional<qint64> raceTimeLeft(const core::RaceState& race) {
    return race.EndTimeSet ? std::optional<qint64>(std::max(race.RemainTicks, 0)) : std::nullopt;
}

bool missesMinimum(qint64 drivenTicks, qint64 minTicks, std::optional<qint64> remainTicks) {
    return minTicks > 0 && remainTicks && minTicks - drivenTicks > *remainTicks;
}

bool stintMessageDue(const std::optional<Stint>& stint, const RuleTicks& rules) {
    return stint && rules.maxStint > 0 && rules.stintMessage > 0 &&
           stint->ticks >= rules.maxStint - rules.stintMessage;
}

bool shortStop(const core::PitStop& stop, const RuleTicks& rules) {
    return rules.minPitStop > 0 && stop.length() < rules.minPitStop;
}

CarWall carWall(const core::CarSlot& car, const core::RaceState& race, qint32 TicksPerSecond,
                qint32 now) {
    const RuleTicks rules = ruleTicks(race.rules, TicksPerSecond);
    const std::optional<qint64> remain = raceTimeLeft(race);
    CarWall wall;
    wall.stints = stints(stintLaps(car, now));
    for (const DriverTime& d : driverTimes(wall.stints)) {
        wall.drivers.append({d, limitAlert(d.ticks, rules.maxDriving, rules.warn),
                             missesMinimum(d.ticks, rules.minDriving, remain)});
    }
    if (!wall.stints.isEmpty()) {
        wall.stint = wall.stints.last();
        if (rules.maxStint > 0) {
            wall.stintLeftTicks = rules.maxStint - wall.stint->ticks;
        }
        // Only the stint being driven can still be ended in time; a car in the pit ended it.
        if (car.Running && !car.PitSinceTick) {
            wall.stintAlert = limitAlert(wall.stint->ticks, rules.maxStint, rules.warn);
        }
    }
    wall.pitStops = qint32(car.pitStops.size());
    if (!car.pitStops.isEmpty()) {
        const core::PitStop& last = car.pitStops.last();
        wall.lastStopTicks = last.length();
        wall.sinceLastStopTicks = std::max<qint64>(0, qint64(now) - last.endTick);
    }
    wall.tooFewStops = wall.pitStops < race.rules.MinPitStops;
    wall.fuel = fuelLaps(race.CourseLength, car.FuelEconomy, car.FuelTotal, car.LapCnt);
    if (car.PitSinceTick) {
        wall.inPit = InPit{std::max<qint64>(0, qint64(now) - *car.PitSinceTick), rules.minPitStop};
    }
    return wall;
}

}  // namespace kaltero::timing
