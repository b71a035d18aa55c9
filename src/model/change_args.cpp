#include "model/change_args.h"

#include "core/number_text.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace kaltero::model {

using namespace Qt::StringLiterals;

namespace {

// Earlier releases kept figures as the texts the console showed. A lap time of theirs,
// M'SS"FFF with every field signed on its own, read back: its ticks and the ticks per second
// its fraction digits tell (three digits: 1/1000, two: 1/100).
//   "1'23\"456" -> 83456 at 1000; "0'-01\"-500" -> -1500 at 1000; "1'23\"45" -> 8345 at 100
struct ShownTime {
    qint32 ticks = 0;
    qint32 ticksPerSecond = 0;
};
std::optional<ShownTime> shownTime(const QString& text) {
    static const QRegularExpression form(uR"re(^(-?\d{1,9})'(-?\d{1,9})"(-?)(\d{1,4})$)re"_s);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    qint64 perSecond = 1;
    for (qsizetype d = m.capturedLength(4); d > 0; --d) {
        perSecond *= 10;
    }
    const qint64 fraction = m.captured(4).toLongLong() * (m.captured(3).isEmpty() ? 1 : -1);
    const qint64 ticks =
        (m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * perSecond + fraction;
    if (ticks < std::numeric_limits<qint32>::min() || ticks > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return ShownTime{qint32(ticks), qint32(perSecond)};
}

// A driver table row as earlier releases carried it: name, best ("1'22\"000-3L", "-" for no
// best), average ("1'22\"500", "-" for none); both empty before the driver's first lap.
core::DriverFigures shownDriverRow(const QString& name, const QString& best,
                                   const QString& average) {
    core::DriverFigures row{.name = name};
    static const QRegularExpression bestForm(uR"(^(.+)-(\d{1,9})L$)"_s);
    const QRegularExpressionMatch m = bestForm.match(best);
    std::optional<ShownTime> bestTime;
    if (m.hasMatch()) {
        bestTime = shownTime(m.captured(1));
        if (!bestTime) {
            return row;
        }
        row.bestTicks = bestTime->ticks;
        row.bestLapNo = m.captured(2).toInt();
    } else if (best != u"-") {
        return row;  // none yet (or nothing this console can read)
    }
    const std::optional<ShownTime> averageTime = shownTime(average);
    if (!averageTime && average != u"-") {
        return row;
    }
    row.hasFigures = true;
    if (averageTime) {
        row.averageTicks = averageTime->ticks;
    }
    row.ticksPerSecond =
        bestTime ? bestTime->ticksPerSecond : (averageTime ? averageTime->ticksPerSecond : 0);
    return row;
}

}  // namespace

Figures figuresFrom(const QVariantMap& a) {
    Figures f;
    f.BestLapTicks = a.value(u"BestLapTicks"_s).toInt();
    f.BestLapNo = a.value(u"BestLapNo"_s).toInt();
    f.DrvBestLapTicks = a.value(u"DrvBestLapTicks"_s).toInt();
    f.DrvBestLapNo = a.value(u"DrvBestLapNo"_s).toInt();
    f.DrvTotalTicks = a.value(u"DrvTotalTicks"_s).toInt();
    f.DrvLapCnt = a.value(u"DrvLapCnt"_s).toInt();
    // The averages were shown only when the car's average was not 0 (the driver's worked out
    // as now); the predicted laps only as their text "あとN周", the one figure text of that form.
    const qint32 average = a.value(u"AveLapTicks"_s).toInt();
    if (average != 0) {
        f.AveLapTicks = average;
        f.DrvAveLapTicks =
            core::roundToInt32(double(f.DrvTotalTicks) / std::max<qint32>(f.DrvLapCnt, 1))
                .value_or(0);
    }
    static const QRegularExpression predicted(u"^あと(-?\\d{1,12})周$"_s);
    for (const QVariant& value : a) {
        const QRegularExpressionMatch m = predicted.match(value.toString());
        if (m.hasMatch()) {
            f.PredictedLaps = m.captured(1).toLongLong();
        }
    }
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

namespace fields {

void read(const QVariant& v, core::EventData& out) {
    const QVariantList event = v.toList();
    if (event.size() == 4) {
        out = {event[0].toString(), event[1].toString(), event[2].toString(), event[3].toString()};
    }
}

QVariant write(const core::EventData& event) {
    return QVariantList{event.name, event.date, event.weather, event.temperature};
}

void read(const QVariant& v, QList<core::DriverFigures>& out) {
    out.clear();
    for (const QVariant& row : v.toList()) {
        if (row.typeId() == QMetaType::QVariantMap) {
            const QVariantMap d = row.toMap();
            core::DriverFigures figures{.name = d.value(u"name"_s).toString()};
            if (d.contains(u"bestTicks"_s)) {
                figures.hasFigures = true;
                figures.bestTicks = d.value(u"bestTicks"_s).toInt();
                figures.bestLapNo = d.value(u"bestLap"_s).toInt();
                if (d.contains(u"averageTicks"_s)) {
                    figures.averageTicks = d.value(u"averageTicks"_s).toInt();
                }
                figures.ticksPerSecond = d.value(u"ticksPerSecond"_s).toInt();
            }
            out.append(figures);
        } else if (const QVariantList d = row.toList(); d.size() == 3) {
            out.append(shownDriverRow(d[0].toString(), d[1].toString(), d[2].toString()));
        }
    }
}

QVariant write(const QList<core::DriverFigures>& rows) {
    QVariantList drivers;
    for (const core::DriverFigures& d : rows) {
        QVariantMap row{{u"name"_s, d.name}};
        if (d.hasFigures) {
            row[u"bestTicks"_s] = d.bestTicks;
            row[u"bestLap"_s] = d.bestLapNo;
            if (d.averageTicks) {
                row[u"averageTicks"_s] = *d.averageTicks;
            }
            row[u"ticksPerSecond"_s] = d.ticksPerSecond;
        }
        drivers.append(row);
    }
    return drivers;
}

}  // namespace fields

RaceSetUp setUpOf(const core::RaceState& race) {
    RaceSetUp setUp{.slots = {},
                    .event = race.event,
                    .course = race.CourseName,
                    .courseLength = race.CourseLength,
                    .hours = race.RunH,
                    .minutes = race.RunN,
                    .allCarTyped = race.AllCarTyped,
                    .allCarMessage = core::allCarMessageSent(race.AllCarTyped),
                    .rules = race.rules,
                    .ticksPerSecond = race.TicksPerSecond};
    for (const core::CarSlot& car : race.car) {
        setUp.slots.append({.address = car.Address,
                            .setUp = car.SetUp,
                            .car = car.CarName,
                            .tank = car.TankTxt,
                            .tankCapacity = car.TankCapacity,
                            .economy = car.FuelEconomy,
                            .fuelTotal = car.FuelTotal,
                            .driver = car.Driver,
                            .driverRow = car.DrvInfoRow,
                            .drivers = car.drivers,
                            .countdownOn = car.CountdownOn,
                            .countdown = car.CountdownTxt,
                            .messageOut = car.OutMsg,
                            .messageIn = car.InMsg,
                            .mayDrive = car.mayDrive});
    }
    return setUp;
}

void applySetUp(core::RaceState& race, const RaceSetUp& setUp) {
    for (qsizetype s = 0; s < setUp.slots.size() && s < qsizetype(race.car.size()); ++s) {
        const SlotSetUp& in = setUp.slots[s];
        core::CarSlot& car = race.car[s];
        car.Address = in.address;
        car.SetUp = in.setUp;
        car.CarName = in.car;
        car.TankTxt = in.tank;
        car.TankCapacity = in.tankCapacity;
        car.FuelEconomy = in.economy;
        car.FuelTotal = in.fuelTotal;
        car.Driver = in.driver;
        car.DrvInfoRow = in.driverRow;
        car.drivers = in.drivers;
        car.CountdownOn = in.countdownOn;
        car.CountdownTxt = in.countdown;
        car.OutMsg = in.messageOut;
        car.InMsg = in.messageIn;
        car.mayDrive = in.mayDrive;
    }
    race.event = setUp.event;
    race.CourseName = setUp.course;
    race.CourseLength = setUp.courseLength;
    race.RunH = setUp.hours;
    race.RunN = setUp.minutes;
    race.AllCarTyped = setUp.allCarTyped;
    race.rules = setUp.rules.value_or(core::RaceRules{});
    race.TicksPerSecond = setUp.ticksPerSecond;
}

}  // namespace kaltero::model
