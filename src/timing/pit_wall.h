#pragma once

#include "core/slot_state.h"

#include <QList>
#include <optional>

namespace kaltero::timing {

// A car's time within reach of the pit's network: from the first report after a silence to the
// last report before the next one, in ticks.
struct ContactPeriod {
    qint32 firstTick = 0;
    qint32 lastTick = 0;
    qint32 length() const { return lastTick - firstTick; }
    friend bool operator==(const ContactPeriod&, const ContactPeriod&) = default;
};

// The contact periods of a car's reports (their ticks in order): a gap longer than NoCommTicks,
// the silence that counts a lap, ends a period. The last period stays open until such a gap.
//   reports 0, 500, 1000, 20000, 20500 with NoCommTicks 10000 -> {0..1000}, {20000..20500}
QList<ContactPeriod> contactPeriods(const QList<qint32>& reportTicks, qint32 NoCommTicks);

// A contact period longer than `pitStopTicks` is a pit stop: a pass along the straight is a few
// seconds within reach, a stop in the pit far longer.
bool isPitStop(const ContactPeriod& period, qint64 pitStopTicks);

// The car enters the pit: its contact period as it stands passed the threshold. The tick it
// entered is the contact's start; none for a car already in the pit, out of reach, or before
// its first lap (the start on the grid is no stop).
//   contact 15000..25001, threshold 10000, lap 1 driven -> 15000
std::optional<qint32> pitEntry(const core::CarSlot& car, qint64 pitStopTicks);

// The stop of a car in the pit (or entering it now) when its timing ends at `now`: from its
// start up to `now`, in the lap it is driving; none for a car out of the pit.
std::optional<core::PitStop> stopAtEnd(const core::CarSlot& car, qint64 pitStopTicks, qint32 now);

// What the fuel still allows at the current economy: laps ("あと N 周") and the lap by which the
// car must come in.
struct FuelLaps {
    qint32 laps = 0;
    qint32 inByLap = 0;
    friend bool operator==(const FuelLaps&, const FuelLaps&) = default;
};
// Nothing without a course or an economy, or for a fuel figure that is not finite. Fuel used up
// or below zero gives 0 laps, in by the lap being driven. Worked out in whole numbers from the
// litres and the economy as typed (their decimals), so a tank that holds exactly N laps gives N.
//   course 4000 m, 2000 m/l (2 l a lap), 60 l in, 10 laps driven -> 40 l left: 20 laps, lap 30
//   course 4000 m, 2400 m/l, 60 l in, 26 laps driven -> 10 laps, lap 36 (not 9 and 35)
std::optional<FuelLaps> fuelLaps(qint32 CourseLength, float FuelEconomy, float FuelTotal,
                                 qint32 LapCnt);

// One lap as the stints see it.
struct StintLap {
    QString driver;
    qint64 ticks = 0;      // 0 for a lap without a time
    bool pitStop = false;  // a pit stop falls in it
    qint64 stopTicks = 0;  // the time the car stood in the pit within the lap
    // Of stopTicks, the time before the driver change was entered (0 without one).
    qint64 beforeChangeTicks = 0;
    bool unknown = false;  // the console was down in it: its time is not known
};

// Whose driving time a stop is (the rules' PitTimeRule).
enum class PitTime {
    NoDriver = 0,      // no one's: driving time is time on track
    DrivesOut = 1,     // the driver who drives out of the pit
    SplitAtChange = 2  // the driver who came in until the change was entered, then the next
};
PitTime pitTime(const core::RaceRules& rules);

// Laps one driver drove on end, from `firstLap`.
struct Stint {
    QString driver;
    qint32 firstLap = 0;
    qint32 laps = 0;
    qint64 ticks = 0;          // the known time: laps the console was down in are left out
    bool unknownTime = false;  // such a lap is in it
    friend bool operator==(const Stint&, const Stint&) = default;
};

// Laps 1.. grouped into stints: a new stint at every driver change and at every lap a pit stop
// falls in (the driver who drives out of the pit drives it). The stop's time goes as `pitTime`
// says. A driver change entered on the in-lap (the lap before a stop) takes effect at the stop:
// the in-lap is the driver's who came in. A lap the console was down in counts as driven, its
// time as unknown.
//   A A(stop) A B -> {A 1..1}, {A 2..3}, {B 4}
//   A B B(stop) -> {A 1..2}, {B 3}: B was chosen on the in-lap
QList<Stint> stints(const QList<StintLap>& laps, PitTime pitTime = PitTime::DrivesOut);

// A car's laps as the stints see them, each with the stops that fall in it and the moment the
// driver change at a stop was entered. A car still timed at `now` adds the lap it is driving,
// by the driver now in it, with the time it has run so far; in the pit, a stop falls in that
// lap and has lasted from its start to `now`. A stopped car's lap counted and never closed is
// the driver's in the car, without a time.
QList<StintLap> stintLaps(const core::CarSlot& car, std::optional<qint32> now);

// The stint the car is in: the last one of its laps (none before its first lap ran).
std::optional<Stint> currentStint(const core::CarSlot& car, qint32 now,
                                  PitTime pitTime = PitTime::DrivesOut);

// A driver's share of the car: total driving time, laps and stints.
struct DriverTime {
    QString driver;
    qint64 ticks = 0;
    qint32 laps = 0;
    qint32 stints = 0;
    bool unknownTime = false;  // a lap the console was down in is in it, and not in `ticks`
    friend bool operator==(const DriverTime&, const DriverTime&) = default;
};
// In the order the drivers first drove.
QList<DriverTime> driverTimes(const QList<Stint>& stints);

// Where a figure stands against a limit (0: no limit): passed it, or within `nearTicks` of it.
enum class Alert { None, Near, Passed };
Alert limitAlert(qint64 used, qint64 limitTicks, qint64 nearTicks);

// How far ahead of a limit the pit wall warns: five minutes.
inline constexpr qint64 kWarnSeconds = 5 * 60;

// The rules in ticks at a precision.
struct RuleTicks {
    qint64 maxStint = 0;
    qint64 maxDriving = 0;
    qint64 minDriving = 0;
    qint64 minPitStop = 0;
    qint64 pitStop = 0;
    qint64 stintMessage = 0;  // the stint message goes out this long before the maximum
    qint64 warn = 0;
};
RuleTicks ruleTicks(const core::RaceRules& rules, qint32 TicksPerSecond);

// The race time left, in ticks; none without a race length.
std::optional<qint64> raceTimeLeft(const core::RaceState& race);

// A driver who cannot reach the minimum driving time any more: what is missing is more than
// the race time left.
bool missesMinimum(qint64 drivenTicks, qint64 minTicks, std::optional<qint64> remainTicks);

// The drivers of one car cannot all reach the minimum any more: only one drives at a time, so
// what they miss together is more than the race time left.
//   minimum 3:00, drivers at 0:00 and 0:00, 5:59 left -> true; one of them at 0:02 -> false
bool missMinimumTogether(const QList<qint64>& drivenTicks, qint64 minTicks,
                         std::optional<qint64> remainTicks);

// The least stop count cannot be reached any more: each stop still needed takes at least the
// minimum stop time plus a lap (the car's median; 0 while it has none), and they no longer
// fit in the race time left.
bool stopsOutOfReach(qint32 stopsMade, const core::RaceRules& rules, qint32 TicksPerSecond,
                     std::optional<qint64> medianLap, std::optional<qint64> remainTicks);

// The lap by which the stint maximum is reached at the car's median lap: the laps already
// closed, then as many more as the stint being driven still holds. `stints` are those of the
// closed laps and the lap being driven, counted with no time yet. None without a maximum or a
// median lap.
//   maximum 60:00, stint at 40:00 after lap 20, median 2:00 -> lap 30
std::optional<qint32> stintLimitLap(const QList<Stint>& stints, qint32 closedLaps,
                                    qint64 maxStintTicks, std::optional<qint64> medianLap);

// The latest lap to come in: the earlier of the fuel's last lap and the stint maximum's.
std::optional<qint32> latestPitLap(const std::optional<FuelLaps>& fuel,
                                   std::optional<qint32> stintLimit);

// The stint message is due: the car's stint is within the message's minutes of its maximum.
bool stintMessageDue(const std::optional<Stint>& stint, const RuleTicks& rules);

// A stop shorter than the minimum the rules set.
bool shortStop(const core::PitStop& stop, const RuleTicks& rules);

// A driver of the car against the limits: every driver who may drive it, from the start.
struct DriverWall {
    DriverTime time;
    Alert maxAlert = Alert::None;  // near or past the maximum driving time
    bool missesMinimum = false;    // cannot reach the minimum in the race time left
};

// A car standing in the pit: how long so far, against the least the rules allow.
struct InPit {
    qint64 ticks = 0;
    qint64 minTicks = 0;  // 0: no minimum
    bool minimumMet() const { return minTicks > 0 && ticks >= minTicks; }
};

// What the pit wall shows of a car at `now`.
struct CarWall {
    QList<Stint> stints;
    QList<DriverWall> drivers;
    std::optional<Stint> stint;            // the one the car is in
    std::optional<qint64> stintLeftTicks;  // before the maximum; none without one
    Alert stintAlert = Alert::None;
    qint32 pitStops = 0;
    std::optional<qint64> lastStopTicks;       // the last stop's length
    std::optional<qint64> sinceLastStopTicks;  // from its end to now
    bool tooFewStops = false;                  // fewer stops than the rules ask for
    bool stopsOutOfReach = false;              // and too little time left to make them
    std::optional<FuelLaps> fuel;
    std::optional<InPit> inPit;          // none out of the pit
    std::optional<qint32> latestPitLap;  // the latest lap to come in; none without a limit
};
// The car's drivers are those who drove it, then those who may drive it and have not yet (its
// driver list and driver table), with no time. Each is judged against the minimum alone and
// with the others.
CarWall carWall(const core::CarSlot& car, const core::RaceState& race, qint32 TicksPerSecond,
                qint32 now);

}  // namespace kaltero::timing
