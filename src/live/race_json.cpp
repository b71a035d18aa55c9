#include "live/race_json.h"

#include "link/figure_text.h"
#include "link/standings.h"
#include "model/race_model.h"
#include "race/fuel.h"
#include "timing/pit_wall.h"
#include "timing/time_text.h"

#include <QHash>
#include <QJsonArray>
#include <algorithm>

namespace kaltero::live {

using namespace Qt::StringLiterals;

namespace {

// What the console sent and the car's message, as the console shows a message.
constexpr qsizetype kLogChars = 2 * model::RaceModel::kShownMessageChars;

QJsonValue msOrNull(std::optional<qint64> ms) {
    return ms ? QJsonValue(double(*ms)) : QJsonValue(QJsonValue::Null);
}

// The car's figures as the console last showed them; none before its first lap of this run.
struct CarFigures {
    std::optional<qint64> lastMs;
    QString last;
    std::optional<qint64> bestMs;
    QString best;
    std::optional<qint64> averageMs;
    QString average;
};

CarFigures figuresOf(const core::CarSlot& car, const core::Settings& s) {
    CarFigures f;
    const auto lastTimed = std::find_if(car.laps.rbegin(), car.laps.rend(),
                                        [](const core::Lap& lap) { return lap.timed; });
    if (lastTimed != car.laps.rend()) {
        f.lastMs = qint64{lastTimed->ticks} * s.MsPerTick;
        f.last = timing::lapTimeText(*lastTimed, s);
    }
    // A car shows no figures from Start until its first lap.
    if (car.HasFigures && car.BestLapTicks != core::kNoLapTicks) {
        f.bestMs = qint64{car.BestLapTicks} * s.MsPerTick;
        f.best = timing::FormatLapTime(car.BestLapTicks, s);
    }
    if (car.HasFigures && car.AveLapTicks) {
        f.averageMs = qint64{*car.AveLapTicks} * s.MsPerTick;
        f.average = link::averageText(car.AveLapTicks, s);
    }
    return f;
}

}  // namespace

QString pageText(const QString& text, qsizetype maxChars) {
    QString kept;
    kept.reserve(std::min(text.size(), maxChars));
    for (const QChar c : text) {
        if (kept.size() == maxChars) {
            break;
        }
        if (c.category() != QChar::Other_Control) {
            kept.append(c);
        }
    }
    return kept;
}

QJsonObject lapObject(const core::Lap& lap, int lapNo, const QDateTime& start,
                      const core::Settings& s, bool toCheck) {
    const qint64 ms = qint64{lap.ticks} * s.MsPerTick;
    const qint64 end =
        start.isValid() ? start.toMSecsSinceEpoch() + qint64{lap.endTick} * s.MsPerTick : 0;
    return {{u"lap"_s, lapNo},
            {u"ms"_s, msOrNull(lap.timed ? std::optional(ms) : std::nullopt)},
            {u"time"_s, lap.timed ? timing::lapTimeText(lap, s) : QString()},
            {u"driver"_s, lap.driver},
            {u"remarks"_s, lap.remarks},
            // The car's own text in it is as long as the car made it: the page gets no more of
            // it than the console shows of a message.
            {u"log"_s, pageText(lap.log, kLogChars)},
            // An edited time was typed, not closed by a report: it has no end of its own.
            {u"end"_s, msOrNull(lap.timed && !lap.edited && start.isValid() ? std::optional(end)
                                                                            : std::nullopt)},
            {u"corrected"_s, lap.corrected},
            {u"edited"_s, lap.edited},
            {u"check"_s, toCheck}};
}

namespace {

QJsonValue fuelObject(const core::CarSlot& car, const core::RaceState& state) {
    if (car.CarName.isEmpty()) {
        return QJsonValue::Null;
    }
    const auto view = race::fuelView({state.CourseLength, car.FuelEconomy, car.TankCapacity,
                                      car.FuelTotal, car.LapCnt, car.TankTxt});
    if (!view) {
        return QJsonValue::Null;
    }
    return QJsonObject{{u"litres"_s, double(view->percent) * double(car.TankCapacity) / 100.0},
                       {u"percent"_s, double(view->percent)},
                       {u"capacity"_s, double(car.TankCapacity)}};
}

QString alertText(timing::Alert alert) {
    switch (alert) {
        case timing::Alert::Near:
            return u"near"_s;
        case timing::Alert::Passed:
            return u"passed"_s;
        case timing::Alert::None:
            break;
    }
    return u"none"_s;
}

// A tick of the race as a wall-clock instant; none before a start time exists.
QJsonValue tickMs(qint64 tick, const QDateTime& start, const core::Settings& s) {
    return msOrNull(start.isValid() ? std::optional(start.toMSecsSinceEpoch() + tick * s.MsPerTick)
                                    : std::nullopt);
}

QJsonArray pitStopsOf(const core::CarSlot& car, const core::RaceState& state,
                      const core::Settings& s, const timing::RuleTicks& rules) {
    QJsonArray stops;
    for (const core::PitStop& stop : car.pitStops) {
        stops.append(QJsonObject{{u"lap"_s, stop.lap},
                                 {u"startMs"_s, tickMs(stop.startTick, state.RaceStartTime, s)},
                                 {u"endMs"_s, tickMs(stop.endTick, state.RaceStartTime, s)},
                                 {u"lengthMs"_s, double(qint64{stop.length()} * s.MsPerTick)},
                                 {u"byOperator"_s, stop.byOperator},
                                 {u"short"_s, timing::shortStop(stop, rules)}});
    }
    return stops;
}

// A car standing in the pit: since when, and when it will have stood the minimum (null without
// one); null out of the pit.
QJsonValue inPitObject(const core::CarSlot& car, const core::RaceState& state,
                       const core::Settings& s, const timing::RuleTicks& rules) {
    if (!car.PitSinceTick) {
        return QJsonValue::Null;
    }
    const qint64 since = *car.PitSinceTick;
    return QJsonObject{{u"startMs"_s, tickMs(since, state.RaceStartTime, s)},
                       {u"minMetAtMs"_s, rules.minPitStop > 0 ? tickMs(since + rules.minPitStop,
                                                                       state.RaceStartTime, s)
                                                              : QJsonValue(QJsonValue::Null)}};
}

QJsonObject driverObject(const QString& name, const link::DriverFigureTexts& texts,
                         const timing::DriverWall& wall, const core::Settings& s) {
    return {{u"name"_s, name},
            {u"best"_s, texts.best},
            {u"average"_s, texts.average},
            {u"drivingMs"_s, double(wall.time.ticks * s.MsPerTick)},
            {u"laps"_s, wall.time.laps},
            {u"stints"_s, wall.time.stints},
            {u"overMax"_s, alertText(wall.maxAlert)},
            {u"missesMin"_s, wall.missesMinimum}};
}

// The driver table's rows with each one's time against the rules, then every other driver who
// may drive the car: those who drove laps without a row (a lap's driver edited to a name not
// chosen for the car) and those of its driver list who have not driven yet.
QJsonArray driversOf(const core::CarSlot& car, const timing::CarWall& wall,
                     const core::Settings& s) {
    QHash<QString, const timing::DriverWall*> walls;
    for (const timing::DriverWall& d : wall.drivers) {
        walls.insert(d.time.driver, &d);
    }
    QJsonArray drivers;
    for (const auto& d : car.drivers) {
        const timing::DriverWall* wallOf = walls.value(d.name);
        drivers.append(driverObject(d.name, link::driverFigureTexts(d, s),
                                    wallOf ? *wallOf : timing::DriverWall{}, s));
        walls.remove(d.name);
    }
    for (const timing::DriverWall& d : wall.drivers) {
        if (walls.contains(d.time.driver)) {
            drivers.append(driverObject(d.time.driver, {}, d, s));
        }
    }
    return drivers;
}

QJsonValue stintObject(const timing::CarWall& wall, const core::Settings& s) {
    if (!wall.stint) {
        return QJsonValue::Null;
    }
    const auto left =
        wall.stintLeftTicks ? std::optional(*wall.stintLeftTicks * s.MsPerTick) : std::nullopt;
    return QJsonObject{{u"driver"_s, wall.stint->driver},
                       {u"laps"_s, wall.stint->laps},
                       {u"ms"_s, double(wall.stint->ticks * s.MsPerTick)},
                       {u"leftMs"_s, msOrNull(left)}};
}

QJsonValue fuelLapsObject(const timing::CarWall& wall) {
    if (!wall.fuel) {
        return QJsonValue::Null;
    }
    return QJsonObject{{u"laps"_s, wall.fuel->laps}, {u"inByLap"_s, wall.fuel->inByLap}};
}

QJsonObject carObject(int slot, const core::CarSlot& car, const core::RaceState& state,
                      const core::Settings& s, const RaceMoment& at,
                      const timing::RuleTicks& rules) {
    const CarFigures f = figuresOf(car, s);
    const timing::CarWall wall = timing::carWall(car, state, s.TicksPerSecond, at.tickCnt);
    return {
        {u"slot"_s, slot + 1},
        {u"car"_s, car.CarName},
        {u"running"_s, car.Running},
        {u"lapCount"_s, car.LapCnt},
        {u"currentLap"_s, double(link::currentLap(car.LapCnt, car.LapPending))},
        {u"last"_s, f.last},
        {u"lastMs"_s, msOrNull(f.lastMs)},
        {u"best"_s, f.best},
        {u"bestMs"_s, msOrNull(f.bestMs)},
        {u"bestLap"_s, f.bestMs ? QJsonValue(car.BestLapNo) : QJsonValue(QJsonValue::Null)},
        {u"average"_s, f.average},
        {u"averageMs"_s, msOrNull(f.averageMs)},
        {u"predictedLaps"_s, link::predictedLapsText(car.PredictedLaps)},
        {u"driver"_s, car.Driver},
        {u"fuel"_s, fuelObject(car, state)},
        {u"countdown"_s, QJsonObject{{u"on"_s, car.CountdownOn}, {u"laps"_s, car.CountdownTxt}}},
        {u"messageOut"_s, car.OutMsg},
        {u"messageIn"_s, pageText(car.InMsg, model::RaceModel::kShownMessageChars)},
        {u"drivers"_s, driversOf(car, wall, s)},
        {u"stint"_s, stintObject(wall, s)},
        {u"stintAlert"_s, alertText(wall.stintAlert)},
        {u"pitStops"_s, pitStopsOf(car, state, s, rules)},
        {u"inPit"_s, inPitObject(car, state, s, rules)},
        {u"fuelLaps"_s, fuelLapsObject(wall)},
        {u"latestPitLap"_s,
         wall.latestPitLap ? QJsonValue(*wall.latestPitLap) : QJsonValue(QJsonValue::Null)},
        {u"pitStopsOutOfReach"_s, wall.stopsOutOfReach}};
}

// The console's own ranking, as the board shows it.
QJsonArray standingsOf(QList<int> slots, const core::RaceState& state, const core::Settings& s) {
    std::sort(slots.begin(), slots.end(), [&state](int a, int b) {
        return link::ranksAhead(link::rankKeyOf(state.car.at(a), a),
                                link::rankKeyOf(state.car.at(b), b));
    });
    QJsonArray rows;
    qint64 leaderLap = 0;
    for (const int slot : std::as_const(slots)) {
        const auto& car = state.car.at(slot);
        const CarFigures f = figuresOf(car, s);
        // Counted by the lap each car is on, as the ranking is: a lap counted and not yet
        // closed puts no car ahead.
        const qint64 lap = link::currentLap(car.LapCnt, car.LapPending);
        if (rows.isEmpty()) {
            leaderLap = lap;
        }
        rows.append(QJsonObject{{u"position"_s, rows.size() + 1},
                                {u"slot"_s, slot + 1},
                                {u"car"_s, car.CarName},
                                {u"laps"_s, car.LapCnt},
                                {u"best"_s, f.best},
                                {u"bestMs"_s, msOrNull(f.bestMs)},
                                {u"last"_s, f.last},
                                {u"lastMs"_s, msOrNull(f.lastMs)},
                                {u"gapLaps"_s, double(leaderLap - lap)}});
    }
    return rows;
}

// The rules in ms; a limit not used is null. The pit stop threshold is always in use.
QJsonObject rulesObject(const core::RaceRules& r) {
    const auto used = [](qint64 n, qint64 msEach) {
        return msOrNull(n > 0 ? std::optional(n * msEach) : std::nullopt);
    };
    return {{u"pitStopMs"_s, double(qint64{r.PitStopSeconds} * 1000)},
            {u"maxStintMs"_s, used(r.MaxStintMinutes, 60'000)},
            {u"maxDrivingMs"_s, used(r.MaxDrivingMinutes, 60'000)},
            {u"minDrivingMs"_s, used(r.MinDrivingMinutes, 60'000)},
            {u"minPitStopMs"_s, used(r.MinPitStopSeconds, 1000)},
            {u"minPitStops"_s, used(r.MinPitStops, 1)},
            {u"pitTimeRule"_s, r.PitTimeRule}};
}

}  // namespace

QJsonObject raceHead(const model::RaceModel& race, const core::Settings& console,
                     const RaceMoment& at, CarObjects* made) {
    const core::RaceState& st = race.state();
    const core::Settings settings = timing::raceUnits(console, st);
    QList<int> slots = race.takingPart();
    const bool started = st.RaceStartTime.isValid() && !slots.isEmpty();
    // Before the first Start the cars are the slots set up so far.
    if (slots.isEmpty()) {
        for (int s = 0; s < core::kSlotCount; ++s) {
            if (!st.car.at(s).Address.isEmpty()) {
                slots.append(s);
            }
        }
    }
    const bool hasEnd = st.EndTimeSet && st.RaceEndTime.isValid();
    QJsonObject clock{
        {u"now"_s, double(at.nowMs)},
        {u"start"_s,
         msOrNull(started ? std::optional(st.RaceStartTime.toMSecsSinceEpoch()) : std::nullopt)},
        {u"end"_s,
         msOrNull(hasEnd ? std::optional(st.RaceEndTime.toMSecsSinceEpoch()) : std::nullopt)},
        {u"elapsedMs"_s, double(qint64{at.tickCnt} * settings.MsPerTick)},
        {u"remainingMs"_s,
         msOrNull(hasEnd ? std::optional(st.RaceEndTime.toMSecsSinceEpoch() - at.nowMs)
                         : std::nullopt)}};
    const timing::RuleTicks rules = timing::ruleTicks(st.rules, settings.TicksPerSecond);
    QJsonArray cars;
    for (int slot : slots) {
        if (made && !(*made)[slot].isEmpty()) {
            cars.append((*made)[slot]);
            continue;
        }
        const QJsonObject car = carObject(slot, st.car.at(slot), st, settings, at, rules);
        if (made) {
            (*made)[slot] = car;
        }
        cars.append(car);
    }
    return {{u"timing"_s, race.timing()},
            {u"event"_s, QJsonObject{{u"name"_s, st.event.name},
                                     {u"date"_s, st.event.date},
                                     {u"weather"_s, st.event.weather},
                                     {u"temperature"_s, st.event.temperature},
                                     {u"course"_s, st.CourseName}}},
            {u"clock"_s, clock},
            {u"allCarMessage"_s, core::allCarMessageSent(st.AllCarTyped)},
            {u"rules"_s, rulesObject(st.rules)},
            {u"standings"_s, standingsOf(slots, st, settings)},
            {u"cars"_s, cars}};
}

}  // namespace kaltero::live
