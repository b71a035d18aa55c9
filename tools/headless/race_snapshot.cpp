#include "race_snapshot.h"

#include "core/slot_state.h"
#include "link/figure_text.h"
#include "timing/time_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace kaltero::headless {

using namespace Qt::StringLiterals;

namespace {

QJsonObject slotSnapshot(const core::CarSlot& car, const core::Settings& units) {
    QJsonArray laps;
    for (qsizetype i = 0; i < car.laps.size(); ++i) {
        const core::Lap& lap = car.laps[i];
        laps.append(QJsonObject{{u"lap"_s, int(i + 1)},
                                {u"timed"_s, lap.timed},
                                {u"ticks"_s, lap.ticks},
                                {u"time"_s, timing::lapTimeText(lap, units)},
                                {u"driver"_s, lap.driver},
                                {u"remarks"_s, lap.remarks},
                                {u"log"_s, lap.log}});
    }
    QJsonArray drivers;
    for (const core::DriverFigures& d : car.drivers) {
        // Each row keeps the precision it was timed at: the default settings read it right.
        const link::DriverFigureTexts texts = link::driverFigureTexts(d, core::Settings{});
        drivers.append(QJsonObject{
            {u"name"_s, d.name}, {u"best"_s, texts.best}, {u"average"_s, texts.average}});
    }
    return {
        {u"address"_s, car.Address}, {u"carName"_s, car.CarName},    {u"driver"_s, car.Driver},
        {u"lapCount"_s, car.LapCnt}, {u"pending"_s, car.LapPending}, {u"record"_s, car.LapRecord},
        {u"laps"_s, laps},           {u"drivers"_s, drivers}};
}

}  // namespace

QJsonObject raceSnapshot(const core::RaceState& race, const core::Settings& settings, bool timed,
                         const QStringList& prompts) {
    const core::Settings units = timing::raceUnits(settings, race);
    QJsonArray slots;
    for (const core::CarSlot& car : race.car) {
        slots.append(slotSnapshot(car, units));
    }
    return {{u"timing"_s, timed},
            {u"prompts"_s, QJsonArray::fromStringList(prompts)},
            {u"event"_s, QJsonObject{{u"name"_s, race.event.name},
                                     {u"date"_s, race.event.date},
                                     {u"weather"_s, race.event.weather},
                                     {u"temperature"_s, race.event.temperature}}},
            {u"slots"_s, slots}};
}

bool writeSnapshot(const QJsonObject& snapshot, const QString& path) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(snapshot).toJson()) >= 0 &&
           file.commit();
}

}  // namespace kaltero::headless
