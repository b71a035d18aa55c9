#pragma once

#include "core/race_rules.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace kaltero::core {

inline constexpr int kSlotCount = 5;
// The countdown's text while it is switched off.
inline const QString kCountdownOffText = QStringLiteral("0");
// A best-lap figure holding this many ticks means "no lap yet".
inline constexpr qint32 kNoLapTicks = 0x0FFFFFFF;

// Columns of a car's lap grid.
namespace lap_grid {
inline constexpr int kTime = 1;     // lap-time text
inline constexpr int kDriver = 2;   // driver when the lap was recorded
inline constexpr int kRemarks = 3;  // the operator's remarks
inline constexpr int kTicks = 4;    // hidden: lap time in ticks
inline constexpr int kLog = 5;  // hidden: message sent with the lap's reply, then the car's message
inline constexpr int kCount = 5;
}  // namespace lap_grid

// How a car's lap record goes out: as the report recorded it, or after the operator corrected
// the lap count (the car then takes the record whatever lap it holds).
enum class RecordFlag { Recorded, Corrected };
// The flag as the reply carries it: "N" or "C".
QString recordFlagText(RecordFlag flag);

// One lap of a car. A lap the silence (or a raised correction) counted holds no time until a
// report closes it.
struct Lap {
    bool timed = false;
    qint32 ticks = 0;
    QString editText;  // the operator's edit of its time as typed; empty unless edited
    QString driver;
    QString remarks;
    QString log;             // message sent with the lap's reply, then the car's message
    bool corrected = false;  // counted again by a lap correction
    bool edited = false;     // its time was typed by the operator
    qint32 endTick = 0;      // the tick of the report that closed it
    // What the car's reports say of its end: the contact period that ended it (from endTick
    // to its last report, and how many reports it heard; 0 while it is not over or unknown)
    // and the silence before it. A lap whose evidence is unknown holds 0s.
    qint32 contactLastTick = 0;
    qint32 contactReports = 0;
    qint32 silenceTicks = 0;
    // The console was down during it (marked 再開): its time holds the time it was down, on a
    // clock that may have moved, so it is no figure of the car or the driver.
    bool acrossRestart = false;
};

// A car's stop in the pit: found by the link from a long contact period, or entered by the
// operator (a car that stopped out of reach). Ticks of the race's tick counter.
struct PitStop {
    qint32 lap = 0;  // the lap it falls in
    qint32 startTick = 0;
    qint32 endTick = 0;
    bool byOperator = false;
    qint32 length() const { return endTick - startTick; }
    friend bool operator==(const PitStop&, const PitStop&) = default;
};

// A driver change the operator entered while the race was timed: the tick and the new driver.
struct DriverChange {
    qint32 tick = 0;
    QString driver;
    friend bool operator==(const DriverChange&, const DriverChange&) = default;
};

// One row of a car's driver table: a driver who drove it, with their figures as last worked
// out. A driver chosen but not yet timed as the car's driver has none.
struct DriverFigures {
    QString name;
    bool hasFigures = false;
    qint32 bestTicks = kNoLapTicks;  // kNoLapTicks: no lap of any time
    qint32 bestLapNo = 0;
    std::optional<qint32> averageTicks = std::nullopt;  // none while the car has no average
    // Ticks per second of the precision the figures were timed at: a row kept from an earlier
    // race reads the same after the precision changed. 0: the console's precision.
    qint32 ticksPerSecond = 0;
};

// What the console knows about one car. Lap times are ticks.
struct CarSlot {
    qint32 LapCnt = 0;
    bool LapPending = false;
    qint32 LapStartTick = 0;
    qint32 LastRcvTick = 0;
    RecordFlag LapFlag = RecordFlag::Recorded;
    qint32 CarLapNo = 0;
    QString RcvData;
    qint32 LastLapTicks = 0;
    QString LapRecord;
    QString AutoMsg;
    QString SendMsg;
    // The figures of the car's laps, worked out anew at each lap it records; none from Start
    // until its first lap.
    bool HasFigures = false;
    qint32 BestLapTicks = kNoLapTicks;  // kNoLapTicks: no lap of any time
    qint32 BestLapNo = 0;
    std::optional<qint32> AveLapTicks = std::nullopt;  // none: no lap time to average
    // Laps the race time left holds at the average; none until worked out.
    std::optional<qint64> PredictedLaps = std::nullopt;
    qint32 DrvBestLapTicks = kNoLapTicks;
    qint32 DrvBestLapNo = 0;
    std::optional<qint32> DrvAveLapTicks = std::nullopt;  // none while the car has no average
    qint32 DrvTotalTicks = 0;
    qint32 DrvLapCnt = 0;
    qint32 DrvInfoRow = 0;
    float TankCapacity = 0.0F;
    float FuelEconomy = 0.0F;
    float FuelTotal = 0.0F;
    // Set up by the operator: an address entered and not cleared since.
    QString Address;
    bool SetUp = false;
    // Had an address at the last Start: ranked on the standings board.
    bool TakesPart = false;
    // Timed now: taking part and not stopped by the operator.
    bool Running = false;
    QString CarName;  // column 0 of the chosen car's entry
    QString TankTxt;  // tank capacity as the car file gives it
    QString Driver;   // the driver now in the car
    bool CountdownOn = false;
    QString CountdownTxt = kCountdownOffText;  // laps left to the driver change, as shown
    QString OutMsg;                            // the operator's message to the car
    QString InMsg;                             // the car's last message
    QList<Lap> laps;                           // lap 1 first
    QList<DriverFigures> drivers;
    // A lap record of the current run has been sent: the car's lap number then tells
    // whether it holds the record of the lap counted last.
    bool RecordSentThisRun = false;
    // The race was resumed after a restart: the next lap this car closes may hold time the
    // console did not see, and says so in its remarks.
    bool ResumedLap = false;
    // Within reach since ContactStartTick (the first report after the last silence).
    bool InContact = false;
    qint32 ContactStartTick = 0;
    qint32 ContactReports = 0;  // reports heard since ContactStartTick
    QList<PitStop> pitStops;    // in the order they started
    // In the pit since this tick (its stop's start); none out of it.
    std::optional<qint32> PitSinceTick;
    // Who may drive the car: its entries in the driver list (Drivers.ini).
    QStringList mayDrive;
    QList<DriverChange> driverChanges;  // of this race, in order
};

// One row of the standings board: the car ranked there and what the board shows of it.
struct StandingsRow {
    int slot = 0;
    QString carName;
    qint64 lap = 0;  // the lap now being driven
    // The car's best lap and the lap it was driven on; none before its first lap.
    std::optional<qint32> bestTicks = std::nullopt;
    qint32 bestLap = 0;
};

// The report's event data.
struct EventData {
    QString name;
    QString date;
    QString weather;
    QString temperature;
};

// The five car slots and the race-wide values. TickCnt lives in the TickClock.
struct RaceState {
    std::array<CarSlot, kSlotCount> car;
    EventData event;
    QString CourseName;
    QString RunH = QStringLiteral("0");  // race length as typed: hours
    QString RunN = QStringLiteral("0");  // and minutes
    bool StopwatchRunning = false;
    qint16 LastCarIdx = 0;
    QDateTime RaceStartTime;
    QDateTime RaceEndTime;
    bool EndTimeSet = false;
    qint32 RemainTicks = 0;
    QString AllCarTyped;  // the operator's message to all cars, as typed
    // The standings board by rank, as last worked out; empty for fewer than two cars.
    QList<StandingsRow> standings;
    qint32 OtherStartTick = 0;
    qint32 OtherStopTick = 0;
    bool StopNoAsk = false;
    qint32 CourseLength = 0;
    // The endurance rules in force for this race.
    RaceRules rules;
    // The precision the race is timed at, ticks a second, fixed at its Start; 0 for a race of
    // an older journal, timed at the console's precision.
    qint32 TicksPerSecond = 0;
};

// The message to all cars as every car receives it: "ABC" -> "（全車へ：ＡＢＣ）"; "" -> "".
QString allCarMessageSent(QStringView typed);

// "１号車" .. "５号車" for slots 0..4.
QString carCaption(int slot);
// The full-width digit of a small number 0..9: 2 -> "２".
QString fullWidthDigits(qint64 number);

}  // namespace kaltero::core
