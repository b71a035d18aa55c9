#include "model/change_args.h"

namespace kaltero::model {

using namespace Qt::StringLiterals;

QVariantMap lapArgs(const core::Lap& lap) {
    return {
        {u"timed"_s, lap.timed},         {u"ticks"_s, lap.ticks},     {u"timeText"_s, lap.timeText},
        {u"driver"_s, lap.driver},       {u"remarks"_s, lap.remarks}, {u"log"_s, lap.log},
        {u"corrected"_s, lap.corrected}, {u"edited"_s, lap.edited},   {u"endTick"_s, lap.endTick}};
}

core::Lap lapFrom(const QVariantMap& a) {
    core::Lap lap;
    lap.timed = a.value(u"timed"_s).toBool();
    lap.ticks = a.value(u"ticks"_s).toInt();
    lap.timeText = a.value(u"timeText"_s).toString();
    lap.driver = a.value(u"driver"_s).toString();
    lap.remarks = a.value(u"remarks"_s).toString();
    lap.log = a.value(u"log"_s).toString();
    lap.corrected = a.value(u"corrected"_s).toBool();
    lap.edited = a.value(u"edited"_s).toBool();
    lap.endTick = a.value(u"endTick"_s).toInt();
    return lap;
}

Figures figuresFrom(const QVariantMap& a) {
    Figures f;
    f.BestLapTicks = a.value(u"BestLapTicks"_s).toInt();
    f.BestLapNo = a.value(u"BestLapNo"_s).toInt();
    f.BestLapTxt = a.value(u"BestLapTxt"_s).toString();
    f.AveLapTicks = a.value(u"AveLapTicks"_s).toInt();
    f.DrvBestLapTicks = a.value(u"DrvBestLapTicks"_s).toInt();
    f.DrvBestLapNo = a.value(u"DrvBestLapNo"_s).toInt();
    f.DrvTotalTicks = a.value(u"DrvTotalTicks"_s).toInt();
    f.DrvLapCnt = a.value(u"DrvLapCnt"_s).toInt();
    f.Lbl_BestLapTm = a.value(u"Lbl_BestLapTm"_s).toString();
    f.Lbl_AveLapTm = a.value(u"Lbl_AveLapTm"_s).toString();
    f.Lbl_YosoSyu = a.value(u"Lbl_YosoSyu"_s).toString();
    f.Lbl_DrvrBestLapTm = a.value(u"Lbl_DrvrBestLapTm"_s).toString();
    f.Lbl_DrvrAveLapTm = a.value(u"Lbl_DrvrAveLapTm"_s).toString();
    return f;
}

QVariant instantArg(const QDateTime& time) {
    return time.isValid() ? QVariant(time.toMSecsSinceEpoch()) : QVariant();
}

std::optional<QDateTime> instantFrom(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return std::nullopt;
    }
    if (v.typeId() == QMetaType::QString) {
        const QDateTime local = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        return local.isValid() ? std::optional(local) : std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(v.toLongLong());
}

namespace {

QVariantMap slotSetUp(const core::CarSlot& car) {
    QVariantList drivers;
    for (const core::DriverFigures& d : car.drivers) {
        drivers.append(QVariant(QVariantList{d.name, d.best, d.average}));
    }
    return {{u"address"_s, car.Address},
            {u"setUp"_s, car.SetUp},
            {u"car"_s, car.CarName},
            {u"tank"_s, car.TankTxt},
            {u"tankCapacity"_s, car.TankCapacity},
            {u"economy"_s, car.FuelEconomy},
            {u"fuelTotal"_s, car.FuelTotal},
            {u"driver"_s, car.Driver},
            {u"driverRow"_s, car.DrvInfoRow},
            {u"drivers"_s, drivers},
            {u"countdownOn"_s, car.CountdownOn},
            {u"countdown"_s, car.CountdownTxt},
            {u"messageOut"_s, car.OutMsg},
            {u"messageIn"_s, car.InMsg}};
}

void applySlotSetUp(core::CarSlot& car, const QVariantMap& a) {
    car.Address = a.value(u"address"_s).toString();
    car.SetUp = a.value(u"setUp"_s).toBool();
    car.CarName = a.value(u"car"_s).toString();
    car.TankTxt = a.value(u"tank"_s).toString();
    car.TankCapacity = a.value(u"tankCapacity"_s).toFloat();
    car.FuelEconomy = a.value(u"economy"_s).toFloat();
    car.FuelTotal = a.value(u"fuelTotal"_s).toFloat();
    car.Driver = a.value(u"driver"_s).toString();
    car.DrvInfoRow = a.value(u"driverRow"_s).toInt();
    car.drivers.clear();
    for (const QVariant& row : a.value(u"drivers"_s).toList()) {
        const QVariantList d = row.toList();
        if (d.size() == 3) {
            car.drivers.append({d[0].toString(), d[1].toString(), d[2].toString()});
        }
    }
    car.CountdownOn = a.value(u"countdownOn"_s).toBool();
    car.CountdownTxt = a.value(u"countdown"_s).toString();
    car.OutMsg = a.value(u"messageOut"_s).toString();
    car.InMsg = a.value(u"messageIn"_s).toString();
}

}  // namespace

QVariantMap setUpArgs(const core::RaceState& race) {
    QVariantList slots;
    for (const core::CarSlot& car : race.car) {
        slots.append(slotSetUp(car));
    }
    return {{u"slots"_s, slots},
            {u"event"_s, QVariantList{race.event.name, race.event.date, race.event.weather,
                                      race.event.temperature}},
            {u"course"_s, race.CourseName},
            {u"courseLength"_s, race.CourseLength},
            {u"hours"_s, race.RunH},
            {u"minutes"_s, race.RunN},
            {u"allCarTyped"_s, race.AllCarTyped},
            {u"allCarMessage"_s, race.AllCarMsg}};
}

void applySetUp(core::RaceState& race, const QVariantMap& a) {
    const QVariantList slots = a.value(u"slots"_s).toList();
    for (qsizetype s = 0; s < slots.size() && s < qsizetype(race.car.size()); ++s) {
        applySlotSetUp(race.car[s], slots[s].toMap());
    }
    const QVariantList event = a.value(u"event"_s).toList();
    if (event.size() == 4) {
        race.event = {event[0].toString(), event[1].toString(), event[2].toString(),
                      event[3].toString()};
    }
    race.CourseName = a.value(u"course"_s).toString();
    race.CourseLength = a.value(u"courseLength"_s).toInt();
    race.RunH = a.value(u"hours"_s).toString();
    race.RunN = a.value(u"minutes"_s).toString();
    race.AllCarTyped = a.value(u"allCarTyped"_s).toString();
    race.AllCarMsg = a.value(u"allCarMessage"_s).toString();
}

}  // namespace kaltero::model
