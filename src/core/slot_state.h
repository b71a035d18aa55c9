#pragma once

#include <QDateTime>
#include <QString>
#include <array>

namespace kaltero::core {

inline constexpr int kSlotCount = 5;
// A best-lap figure holding this many ticks means "no lap yet".
inline constexpr qint32 kNoLapTicks = 0x0FFFFFFF;

// Columns of a car's lap grid.
namespace lap_grid {
inline constexpr int kTime = 1;     // lap-time text
inline constexpr int kDriver = 2;   // driver when the lap was recorded
inline constexpr int kRemarks = 3;  // the operator's remarks
inline constexpr int kTicks = 4;    // lap time in ticks: what the statistics read
inline constexpr int kLog = 5;      // message sent with the lap's reply, then the car's message
}  // namespace lap_grid

// What the console knows about one car. Lap times are ticks.
struct CarSlot {
    qint32 LapCnt = 0;
    bool LapPending = false;
    qint32 LapStartTick = 0;
    qint32 LastRcvTick = 0;
    QString LapFlag;
    qint32 CarLapNo = 0;
    QString RcvData;
    qint32 LastLapTicks = 0;
    QString LapTimeTxt;
    QString LapRecord;
    QString AutoMsg;
    QString SendMsg;
    qint32 BestLapTicks = 0;
    qint32 BestLapNo = 0;
    QString BestLapTxt;
    qint32 AveLapTicks = 0;
    qint32 DrvBestLapTicks = 0;
    qint32 DrvBestLapNo = 0;
    qint32 DrvTotalTicks = 0;
    qint32 DrvLapCnt = 0;
    qint32 DrvInfoRow = 0;
    QString LapCellOld;
    float TankCapacity = 0.0F;
    float FuelEconomy = 0.0F;
    float FuelTotal = 0.0F;
    // Had an address at the last Start: ranked on the standings board.
    bool TakesPart = false;
    // A lap record of the current run has been sent: the car's lap number then tells
    // whether it holds the record of the lap counted last.
    bool RecordSentThisRun = false;
};

// The five car slots and the race-wide values. TickCnt lives in the TickClock.
struct RaceState {
    std::array<CarSlot, kSlotCount> car;
    qint16 LastCarIdx = 0;
    QDateTime RaceStartTime;
    QDateTime RaceEndTime;
    bool EndTimeSet = false;
    qint32 RemainTicks = 0;
    QString AllCarMsg;
    // Indexed by rank position while the standings are sorted, not by slot.
    std::array<QString, kSlotCount> SortKey;
    QString SortTmp;
    qint32 RunHOld = 0;
    qint32 RunNOld = 0;
    qint32 OtherStartTick = 0;
    qint32 OtherStopTick = 0;
    bool StopNoAsk = false;
    qint32 CourseLength = 0;
};

// "１号車" .. "５号車" for slots 0..4.
QString carCaption(int slot);
// The full-width digit of a small number 0..9: 2 -> "２".
QString fullWidthDigits(qint64 number);

}  // namespace kaltero::core
