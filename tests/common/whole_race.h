#pragma once

#include "core/slot_state.h"
#include "model/operations.h"
#include "model/race_model.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace kaltero::testing {

using namespace Qt::StringLiterals;

// What a race brought back from its journal is compared as: every field the race holds, or
// (Resumed) every field but those a resume renews on purpose: a fresh silence for every car
// (last report, the lap waiting for its report, the contact in the pit), what the next report
// brings again (its text and lap number) and the mark on the lap that spans the restart.
enum class Compare { Replayed, Resumed };

namespace whole_race {

inline QVariant optionalNumber(const auto& value) {
    return value ? QVariant(qint64(*value)) : QVariant(u"none"_s);
}

inline QVariantMap lap(const core::Lap& l) {
    return {{u"timed"_s, l.timed},
            {u"ticks"_s, l.ticks},
            {u"editText"_s, l.editText},
            {u"driver"_s, l.driver},
            {u"remarks"_s, l.remarks},
            {u"log"_s, l.log},
            {u"corrected"_s, l.corrected},
            {u"edited"_s, l.edited},
            {u"endTick"_s, l.endTick},
            {u"contactLastTick"_s, l.contactLastTick},
            {u"contactReports"_s, l.contactReports},
            {u"silenceTicks"_s, l.silenceTicks}};
}

inline QVariantMap driver(const core::DriverFigures& d) {
    return {{u"name"_s, d.name},
            {u"hasFigures"_s, d.hasFigures},
            {u"bestTicks"_s, d.bestTicks},
            {u"bestLapNo"_s, d.bestLapNo},
            {u"averageTicks"_s, optionalNumber(d.averageTicks)},
            {u"ticksPerSecond"_s, d.ticksPerSecond}};
}

inline QVariantMap car(const core::CarSlot& c, Compare how) {
    QVariantList laps;
    for (const core::Lap& l : c.laps) {
        laps.append(lap(l));
    }
    QVariantList drivers;
    for (const core::DriverFigures& d : c.drivers) {
        drivers.append(driver(d));
    }
    QVariantList stops;
    for (const core::PitStop& stop : c.pitStops) {
        stops.append(model::argsOf(stop));
    }
    QVariantMap whole{{u"LapCnt"_s, c.LapCnt},
                      {u"LapStartTick"_s, c.LapStartTick},
                      {u"LapFlag"_s, core::recordFlagText(c.LapFlag)},
                      {u"LastLapTicks"_s, c.LastLapTicks},
                      {u"LapRecord"_s, c.LapRecord},
                      {u"AutoMsg"_s, c.AutoMsg},
                      {u"HasFigures"_s, c.HasFigures},
                      {u"BestLapTicks"_s, c.BestLapTicks},
                      {u"BestLapNo"_s, c.BestLapNo},
                      {u"AveLapTicks"_s, optionalNumber(c.AveLapTicks)},
                      {u"PredictedLaps"_s, optionalNumber(c.PredictedLaps)},
                      {u"DrvBestLapTicks"_s, c.DrvBestLapTicks},
                      {u"DrvBestLapNo"_s, c.DrvBestLapNo},
                      {u"DrvAveLapTicks"_s, optionalNumber(c.DrvAveLapTicks)},
                      {u"DrvTotalTicks"_s, c.DrvTotalTicks},
                      {u"DrvLapCnt"_s, c.DrvLapCnt},
                      {u"DrvInfoRow"_s, c.DrvInfoRow},
                      {u"TankCapacity"_s, c.TankCapacity},
                      {u"FuelEconomy"_s, c.FuelEconomy},
                      {u"FuelTotal"_s, c.FuelTotal},
                      {u"Address"_s, c.Address},
                      {u"SetUp"_s, c.SetUp},
                      {u"TakesPart"_s, c.TakesPart},
                      {u"Running"_s, c.Running},
                      {u"CarName"_s, c.CarName},
                      {u"TankTxt"_s, c.TankTxt},
                      {u"Driver"_s, c.Driver},
                      {u"CountdownOn"_s, c.CountdownOn},
                      {u"CountdownTxt"_s, c.CountdownTxt},
                      {u"OutMsg"_s, c.OutMsg},
                      {u"InMsg"_s, c.InMsg},
                      {u"laps"_s, laps},
                      {u"drivers"_s, drivers},
                      {u"pitStops"_s, stops},
                      {u"PitSinceTick"_s, optionalNumber(c.PitSinceTick)}};
    if (how == Compare::Replayed) {
        whole.insert({{u"LapPending"_s, c.LapPending},
                      {u"LastRcvTick"_s, c.LastRcvTick},
                      {u"CarLapNo"_s, c.CarLapNo},
                      {u"RcvData"_s, c.RcvData},
                      {u"SendMsg"_s, c.SendMsg},
                      {u"RecordSentThisRun"_s, c.RecordSentThisRun},
                      {u"ResumedLap"_s, c.ResumedLap},
                      {u"InContact"_s, c.InContact},
                      {u"ContactStartTick"_s, c.ContactStartTick},
                      {u"ContactReports"_s, c.ContactReports}});
    }
    return whole;
}

}  // namespace whole_race

// The whole race as the model holds it, every field of every car and of the race, in one
// comparable text: a field a replay forgets makes two of them differ.
inline QByteArray wholeRace(const model::RaceModel& race, Compare how = Compare::Replayed) {
    const core::RaceState& st = race.state();
    QVariantList cars;
    for (const core::CarSlot& car : st.car) {
        cars.append(whole_race::car(car, how));
    }
    QVariantList standings;
    for (const core::StandingsRow& row : st.standings) {
        standings.append(QVariantMap{{u"slot"_s, row.slot},
                                     {u"carName"_s, row.carName},
                                     {u"lap"_s, row.lap},
                                     {u"bestTicks"_s, whole_race::optionalNumber(row.bestTicks)},
                                     {u"bestLap"_s, row.bestLap}});
    }
    const core::RaceRules& r = st.rules;
    const QVariantMap whole{
        {u"cars"_s, cars},
        {u"timing"_s, race.timing()},
        {u"event"_s,
         QVariantList{st.event.name, st.event.date, st.event.weather, st.event.temperature}},
        {u"CourseName"_s, st.CourseName},
        {u"CourseLength"_s, st.CourseLength},
        {u"RunH"_s, st.RunH},
        {u"RunN"_s, st.RunN},
        {u"StopwatchRunning"_s, st.StopwatchRunning},
        {u"OtherStartTick"_s, st.OtherStartTick},
        {u"OtherStopTick"_s, st.OtherStopTick},
        {u"LastCarIdx"_s, st.LastCarIdx},
        {u"RaceStartTime"_s, st.RaceStartTime.toMSecsSinceEpoch()},
        {u"RaceEndTime"_s, st.RaceEndTime.isValid() ? st.RaceEndTime.toMSecsSinceEpoch() : 0},
        {u"EndTimeSet"_s, st.EndTimeSet},
        {u"RemainTicks"_s, st.RemainTicks},
        {u"AllCarTyped"_s, st.AllCarTyped},
        {u"standings"_s, standings},
        {u"StopNoAsk"_s, st.StopNoAsk},
        {u"rules"_s, QVariantList{r.PitStopSeconds, r.MaxStintMinutes, r.MaxDrivingMinutes,
                                  r.MinDrivingMinutes, r.MinPitStopSeconds, r.MinPitStops,
                                  r.StintMessage, r.StintMessageMinutes, r.PitTimeRule}}};
    return QJsonDocument(QJsonObject::fromVariantMap(whole)).toJson();
}

}  // namespace kaltero::testing
