#pragma once

#include "core/slot_state.h"
#include "model/change_args.h"
#include "model/race_model.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace kaltero::testing {

using namespace Qt::StringLiterals;

// The whole race as the model holds it, in one comparable text.
inline QByteArray wholeRace(const model::RaceModel& race) {
    const core::RaceState& st = race.state();
    QVariantList cars;
    for (const core::CarSlot& car : st.car) {
        QVariantList laps;
        for (const core::Lap& lap : car.laps) {
            laps.append(model::lapArgs(lap));
        }
        QVariantList stops;
        for (const core::PitStop& stop : car.pitStops) {
            stops.append(model::pitStopArgs(stop));
        }
        cars.append(QVariantMap{{u"laps"_s, laps},
                                {u"pitStops"_s, stops},
                                {u"LapCnt"_s, car.LapCnt},
                                {u"best"_s, car.BestLapTicks},
                                {u"average"_s, car.AveLapTicks.value_or(-1)},
                                {u"running"_s, car.Running},
                                {u"takesPart"_s, car.TakesPart},
                                {u"flag"_s, core::recordFlagText(car.LapFlag)}});
    }
    const QVariantMap whole{
        {u"setUp"_s, model::setUpArgs(st)},
        {u"cars"_s, cars},
        {u"timing"_s, race.timing()},
        {u"start"_s, st.RaceStartTime.toMSecsSinceEpoch()},
        {u"end"_s, st.EndTimeSet ? st.RaceEndTime.toMSecsSinceEpoch() : 0},
        {u"stopwatch"_s, QVariantList{st.StopwatchRunning, st.OtherStartTick, st.OtherStopTick}}};
    return QJsonDocument(QJsonObject::fromVariantMap(whole)).toJson();
}

}  // namespace kaltero::testing
