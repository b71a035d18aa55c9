#include "link/lap_closing.h"

#include "link/protocol.h"
#include "timing/time_text.h"

#include <algorithm>

namespace kaltero::link {

ClosedLap closeLap(const core::RaceState& race, int slot, const QString& carMessage, qint32 now,
                   const QDateTime& wallNow, const core::Settings& settings) {
    const core::CarSlot& car = race.car.at(slot);
    ClosedLap out;
    out.lapNo = std::max<qint32>(car.LapCnt, 1);
    QList<core::Lap> laps = car.laps;
    if (laps.size() < out.lapNo) {
        laps.resize(out.lapNo);
    }
    core::Lap& lap = laps[out.lapNo - 1];
    lap.timed = true;
    lap.edited = false;
    lap.ticks = now - car.LapStartTick;
    lap.endTick = now;
    // Within the lap: a last report from before the race's start says nothing of it.
    lap.silenceTicks = std::clamp(now - car.LastRcvTick, 0, lap.ticks);
    lap.contactLastTick = 0;
    lap.contactReports = 0;
    lap.editText.clear();
    lap.driver = car.Driver;
    lap.log = fitSendMsg(core::recordFlagText(car.LapFlag), car.LapRecord, car.SendMsg) + u", " +
              carMessage;
    lap.acrossRestart = car.ResumedLap;
    if (car.ResumedLap && !lap.remarks.contains(u"再開")) {
        lap.remarks += lap.remarks.isEmpty() ? QStringLiteral("再開") : QStringLiteral(" 再開");
    }
    out.lap = lap;
    out.figures = figuresOfLap(laps, car, race.RemainTicks, settings);
    out.record = buildLapRecord({.LapCnt = out.lapNo,
                                 .LastLapTicks = lap.ticks,
                                 .DrvBestLapTicks = out.figures.DrvBestLapTicks,
                                 .DrvTotalTicks = out.figures.DrvTotalTicks,
                                 .DrvLapCnt = out.figures.DrvLapCnt,
                                 .MsPerTick = settings.MsPerTick,
                                 .now = wallNow,
                                 .EndTimeSet = race.EndTimeSet,
                                 .RaceEndTime = race.RaceEndTime});
    out.flag = core::recordFlagText(car.LapFlag);
    return out;
}

LapStats figuresOfLap(const QList<core::Lap>& laps, const core::CarSlot& car, qint32 RemainTicks,
                      const core::Settings& settings) {
    LapStats figures = UpdateLapStats(laps, car.Driver, RemainTicks, car.PredictedLaps, settings);
    figures.DrvLapCnt = std::max<qint32>(figures.DrvLapCnt, 1);
    return figures;
}

QList<StandingsCar> standingsCars(const core::RaceState& race) {
    // Also when a slot without an address lies between.
    QList<StandingsCar> cars;
    for (int s = 0; s < core::kSlotCount; ++s) {
        const auto& car = race.car[s];
        if (car.TakesPart) {
            cars.append({.LapCnt = car.LapCnt,
                         .LapPending = car.LapPending,
                         .BestLapNo = car.BestLapNo,
                         .carName = car.CarName,
                         .slot = s,
                         .BestLapTicks = rankKeyOf(car, s).best});
        }
    }
    return cars;
}

}  // namespace kaltero::link
