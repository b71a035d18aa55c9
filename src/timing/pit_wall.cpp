#include "timing/pit_wall.h"

#include "timing/median_lap.h"

#include <QtNumeric>
#include <algorithm>
#include <array>
#include <charconv>
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

namespace {

// A figure as the operator typed it: whole units of 10^-places (60 -> 60/0, 33.3 -> 333/1). The
// shortest decimal that reads back as the same figure is what was typed. None for a figure no
// fuel estimate can use (beyond nine decimals or 10^17 units).
struct Decimal {
    qint64 units = 0;
    int places = 0;
};
std::optional<Decimal> typedDecimal(float value) {
    std::array<char, 64> text{};
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc()) {
        return std::nullopt;
    }
    Decimal d;
    bool fraction = false;
    for (const char* c = text.data(); c != end; ++c) {
        if (*c == '.') {
            fraction = true;
        } else if (*c != '-') {
            if (d.units >= 100'000'000'000'000'000LL || (fraction && d.places == 9)) {
                return std::nullopt;
            }
            d.units = d.units * 10 + (*c - '0');
            d.places += fraction ? 1 : 0;
        }
    }
    if (value < 0.0F) {
        d.units = -d.units;
    }
    return d;
}

// a * b, none when it overflows.
std::optional<qint64> times(qint64 a, qint64 b) {
    qint64 product = 0;
    return qMulOverflow(a, b, &product) ? std::nullopt : std::optional(product);
}

}  // namespace

std::optional<FuelLaps> fuelLaps(qint32 CourseLength, float FuelEconomy, float FuelTotal,
                                 qint32 LapCnt) {
    if (CourseLength <= 0 || !std::isfinite(FuelEconomy) || FuelEconomy <= 0.0F ||
        !std::isfinite(FuelTotal)) {
        return std::nullopt;
    }
    const auto economy = typedDecimal(FuelEconomy);
    const auto fuel = typedDecimal(FuelTotal);
    if (!economy || !fuel) {
        return std::nullopt;
    }
    // Metres the fuel drives and metres driven, both at 10^-(places of both): whole numbers,
    // so a lap that is exactly in the tank is not lost to rounding.
    qint64 scale = 1;
    for (int i = 0; i < economy->places + fuel->places; ++i) {
        scale *= 10;
    }
    const auto range = times(fuel->units, economy->units);
    const auto lap = times(CourseLength, scale);
    const auto driven = lap ? times(*lap, LapCnt) : std::nullopt;
    // A figure beyond 64 bits is no fuel a race can hold.
    if (!range || !driven) {
        return std::nullopt;
    }
    const qint64 laps = *range > *driven ? (*range - *driven) / *lap : 0;
    // A lap count beyond the tick counter's range is no figure a race can reach.
    if (laps > qint64(std::numeric_limits<qint32>::max()) - LapCnt) {
        return std::nullopt;
    }
    return FuelLaps{qint32(laps), LapCnt + qint32(laps)};
}

PitTime pitTime(const core::RaceRules& rules) {
    switch (rules.PitTimeRule) {
        case 1:
            return PitTime::DrivesOut;
        case 2:
            return PitTime::SplitAtChange;
        default:
            return PitTime::NoDriver;
    }
}

namespace {

// The lap's time goes into the stint's, unless the console was down in it; the stop in it as
// the rules say: left out, the stint's, or until the driver change the stint's before it.
void addLap(QList<Stint>& out, const StintLap& lap, PitTime pitTime) {
    Stint& stint = out.last();
    if (lap.unknown) {
        stint.unknownTime = true;
        return;
    }
    const qint64 stop = std::clamp<qint64>(lap.stopTicks, 0, lap.ticks);
    qint64 own = lap.ticks;
    if (pitTime == PitTime::NoDriver) {
        own -= stop;
    } else if (pitTime == PitTime::SplitAtChange) {
        const qint64 before = std::clamp<qint64>(lap.beforeChangeTicks, 0, stop);
        own -= before;
        // The stint being walked back to alone has its own share and no more.
        if (out.size() > 1) {
            out[out.size() - 2].ticks += before;
        }
    }
    stint.ticks += own;
}

// The driver a lap counts for: a change entered on the in-lap takes effect at the stop.
QString countedDriver(const QList<StintLap>& laps, qsizetype i, const QList<Stint>& before) {
    const StintLap& lap = laps[i];
    const bool inLap = !lap.pitStop && i + 1 < laps.size() && laps[i + 1].pitStop &&
                       laps[i + 1].driver == lap.driver;
    return inLap && !before.isEmpty() ? before.last().driver : lap.driver;
}

// A stop of the car adds to the lap it falls in, which ends at `lapEnd` (none while
// it runs). The driver change of the stop is the last one entered after the stop before (ending at
// `after`) and by the lap's end; its share is the stop's time until then.
void addStop(StintLap& lap, const core::CarSlot& car, const core::PitStop& stop, qint32 after,
             std::optional<qint32> lapEnd) {
    lap.pitStop = true;
    lap.stopTicks += std::max(stop.length(), 0);
    for (auto c = car.driverChanges.rbegin(); c != car.driverChanges.rend(); ++c) {
        if (c->tick <= after) {
            break;
        }
        if (!lapEnd || c->tick <= *lapEnd) {
            lap.beforeChangeTicks +=
                std::clamp<qint64>(qint64(c->tick) - stop.startTick, 0, stop.length());
            break;
        }
    }
}

// The car's stop `index`, after the one before it.
void addStop(StintLap& lap, const core::CarSlot& car, qsizetype index,
             std::optional<qint32> lapEnd) {
    addStop(lap, car, car.pitStops[index], index > 0 ? car.pitStops[index - 1].endTick : 0, lapEnd);
}

// Where a closed lap ends: the report that closed it; none for a typed time.
std::optional<qint32> lapEnd(const core::Lap& lap) {
    return lap.timed && !lap.edited ? std::optional(lap.endTick) : std::nullopt;
}

StintLap stintLap(const core::CarSlot& car, qsizetype i) {
    const core::Lap& lap = car.laps[i];
    StintLap out{lap.driver, lap.timed ? lap.ticks : 0};
    out.unknown = lap.acrossRestart;
    for (qsizetype k = 0; k < car.pitStops.size(); ++k) {
        if (car.pitStops[k].lap == i + 1) {
            addStop(out, car, k, lapEnd(lap));
        }
    }
    return out;
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
    StintLap lap{car.Driver, std::max<qint64>(0, qint64(now) - car.LapStartTick)};
    lap.unknown = car.ResumedLap;
    for (qsizetype k = 0; k < car.pitStops.size(); ++k) {
        if (car.pitStops[k].lap == lapNo) {
            addStop(lap, car, k, std::nullopt);
        }
    }
    // A car in the pit: its stop falls in this lap and has lasted until now.
    if (car.PitSinceTick) {
        addStop(lap, car, core::PitStop{lapNo, *car.PitSinceTick, now, false},
                car.pitStops.isEmpty() ? 0 : car.pitStops.last().endTick, std::nullopt);
    }
    return std::pair{lapNo, lap};
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

QList<Stint> stints(const QList<StintLap>& laps, PitTime pitTime) {
    QList<Stint> out;
    for (qsizetype i = 0; i < laps.size(); ++i) {
        const StintLap& lap = laps[i];
        const QString driver = countedDriver(laps, i, out);
        if (out.isEmpty() || lap.pitStop || driver != out.last().driver) {
            out.append({driver, qint32(i + 1), 0, 0});
        }
        ++out.last().laps;
        addLap(out, lap, pitTime);
    }
    return out;
}

QList<StintLap> stintLaps(const core::CarSlot& car, std::optional<qint32> now) {
    QList<StintLap> laps;
    laps.reserve(car.laps.size() + 1);
    for (const core::Lap& lap : car.laps) {
        StintLap out{lap.driver, lap.timed ? lap.ticks : 0};
        out.unknown = lap.acrossRestart;
        laps.append(out);
    }
    // Each stop marks its lap once: a long race's laps are not searched stop by stop.
    for (qsizetype k = 0; k < car.pitStops.size(); ++k) {
        const qint32 lapNo = car.pitStops[k].lap;
        if (lapNo >= 1 && lapNo <= laps.size()) {
            addStop(laps[lapNo - 1], car, k, lapEnd(car.laps[lapNo - 1]));
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

std::optional<Stint> currentStint(const core::CarSlot& car, qint32 now, PitTime pitTime) {
    // Walks back from the last lap only as far as the stint goes: the link asks at every report.
    const auto running = runningLap(car, now);
    const qint32 lastNo = running ? running->first : qint32(car.laps.size());
    if (lastNo < 1) {
        return std::nullopt;
    }
    const auto lapOf = [&](qint32 no) {
        return running && no == lastNo ? running->second : stintLap(car, no - 1);
    };
    QList<StintLap> tail{lapOf(lastNo)};
    for (qint32 no = lastNo; !tail.first().pitStop && no > 1; --no) {
        StintLap before = lapOf(no - 1);
        if (before.driver != tail.first().driver) {
            break;
        }
        tail.prepend(std::move(before));
    }
    Stint stint = stints(tail, pitTime).last();
    stint.firstLap += lastNo - qint32(tail.size());
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

bool missMinimumTogether(const QList<qint64>& drivenTicks, qint64 minTicks,
                         std::optional<qint64> remainTicks) {
    if (minTicks <= 0 || !remainTicks) {
        return false;
    }
    qint64 missing = 0;
    for (const qint64 driven : drivenTicks) {
        missing += std::max<qint64>(0, minTicks - driven);
    }
    return missing > *remainTicks;
}

bool stopsOutOfReach(qint32 stopsMade, const core::RaceRules& rules, qint32 TicksPerSecond,
                     std::optional<qint64> medianLap, std::optional<qint64> remainTicks) {
    const qint64 needed = qint64(rules.MinPitStops) - stopsMade;
    if (needed <= 0 || !remainTicks) {
        return false;
    }
    const qint64 each = qint64(rules.MinPitStopSeconds) * TicksPerSecond + medianLap.value_or(0);
    return needed * each > *remainTicks;
}

std::optional<qint32> stintLimitLap(const QList<Stint>& stints, qint32 closedLaps,
                                    qint64 maxStintTicks, std::optional<qint64> medianLap) {
    if (maxStintTicks <= 0 || !medianLap || *medianLap <= 0) {
        return std::nullopt;
    }
    const qint64 used = stints.isEmpty() ? 0 : stints.last().ticks;
    const qint64 more = std::max<qint64>(0, maxStintTicks - used) / *medianLap;
    return qint32(std::min<qint64>(closedLaps + more, std::numeric_limits<qint32>::max()));
}

std::optional<qint32> latestPitLap(const std::optional<FuelLaps>& fuel,
                                   std::optional<qint32> stintLimit) {
    if (fuel && stintLimit) {
        return std::min(fuel->inByLap, *stintLimit);
    }
    return fuel ? std::optional(fuel->inByLap) : stintLimit;
}

bool stintMessageDue(const std::optional<Stint>& stint, const RuleTicks& rules) {
    return stint && rules.maxStint > 0 && rules.stintMessage > 0 &&
           stint->ticks >= rules.maxStint - rules.stintMessage;
}

bool shortStop(const core::PitStop& stop, const RuleTicks& rules) {
    return rules.minPitStop > 0 && stop.length() < rules.minPitStop;
}

namespace {

// Every driver who may drive the car: those who drove it, then those of its driver list and
// its driver table who have not yet, with no time.
QList<DriverTime> allDrivers(const QList<Stint>& stints, const core::CarSlot& car) {
    QList<DriverTime> drivers = driverTimes(stints);
    QStringList names = car.mayDrive;
    for (const core::DriverFigures& d : car.drivers) {
        names.append(d.name);
    }
    for (const QString& name : names) {
        if (!name.isEmpty() &&
            std::none_of(drivers.begin(), drivers.end(),
                         [&name](const DriverTime& d) { return d.driver == name; })) {
            drivers.append({name});
        }
    }
    return drivers;
}

// The latest lap to come in, from the laps the car has closed: the lap it is driving counts
// with no time yet, so a stint it began (out of the pit) is the stint the maximum is for.
std::optional<qint32> latestPitLapOf(const core::CarSlot& car, const CarWall& wall,
                                     const RuleTicks& rules, PitTime pitTime,
                                     std::optional<qint64> median, qint32 now) {
    QList<StintLap> laps = stintLaps(car, now);
    qint32 closed = qint32(laps.size());
    if (car.Running && !laps.isEmpty()) {
        laps.last().ticks = 0;
        laps.last().stopTicks = 0;
        laps.last().beforeChangeTicks = 0;
        --closed;
    }
    return latestPitLap(wall.fuel,
                        stintLimitLap(stints(laps, pitTime), closed, rules.maxStint, median));
}

}  // namespace

CarWall carWall(const core::CarSlot& car, const core::RaceState& race, qint32 TicksPerSecond,
                qint32 now) {
    const RuleTicks rules = ruleTicks(race.rules, TicksPerSecond);
    const PitTime stopsCount = pitTime(race.rules);
    const std::optional<qint64> remain = raceTimeLeft(race);
    const std::optional<qint64> median = medianLapTicks(car.laps);
    CarWall wall;
    wall.stints = stints(stintLaps(car, now), stopsCount);
    const QList<DriverTime> drivers = allDrivers(wall.stints, car);
    QList<qint64> driven;
    for (const DriverTime& d : drivers) {
        driven.append(d.ticks);
    }
    const bool together = missMinimumTogether(driven, rules.minDriving, remain);
    for (const DriverTime& d : drivers) {
        // A driver who has not driven is near no maximum, however short it is.
        wall.drivers.append(
            {d, d.laps > 0 ? limitAlert(d.ticks, rules.maxDriving, rules.warn) : Alert::None,
             missesMinimum(d.ticks, rules.minDriving, remain) ||
                 (together && d.ticks < rules.minDriving)});
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
    wall.stopsOutOfReach =
        car.Running && stopsOutOfReach(wall.pitStops, race.rules, TicksPerSecond, median, remain);
    wall.fuel = fuelLaps(race.CourseLength, car.FuelEconomy, car.FuelTotal, car.LapCnt);
    if (car.PitSinceTick) {
        wall.inPit = InPit{std::max<qint64>(0, qint64(now) - *car.PitSinceTick), rules.minPitStop};
    }
    wall.latestPitLap = latestPitLapOf(car, wall, rules, stopsCount, median, now);
    return wall;
}

}  // namespace kaltero::timing
