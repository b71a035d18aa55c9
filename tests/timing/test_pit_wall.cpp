#include "timing/median_lap.h"
#include "timing/pit_wall.h"

#include <QTest>
#include <limits>

using kaltero::timing::ContactPeriod;
using kaltero::timing::FuelLaps;
using kaltero::timing::PitTime;
using kaltero::timing::Stint;
using kaltero::timing::StintLap;
using namespace Qt::StringLiterals;

namespace {

// A car whose laps were driven by `drivers` ("A", "B", ...), 60000 ticks each, with pit stops in
// the laps `stopLaps`.
kaltero::core::CarSlot carWith(const QStringList& drivers, const QList<qint32>& stopLaps) {
    kaltero::core::CarSlot car;
    for (const QString& d : drivers) {
        kaltero::core::Lap lap;
        lap.timed = true;
        lap.ticks = 60000;
        lap.driver = d;
        car.laps.append(lap);
    }
    car.LapCnt = qint32(drivers.size());
    for (qsizetype i = 0; i < car.laps.size(); ++i) {
        car.laps[i].endTick = qint32(60000 * (i + 1));
    }
    for (const qint32 lap : stopLaps) {
        car.pitStops.append({lap, 0, 1, false});
    }
    return car;
}

// Each driver's time as "driver:ticks", in the order they first drove.
QString drivingTimes(const QList<Stint>& stints) {
    QStringList shown;
    for (const auto& d : kaltero::timing::driverTimes(stints)) {
        shown << u"%1:%2"_s.arg(d.driver).arg(d.ticks);
    }
    return shown.join(u' ');
}

// A race with `ticksLeft` of its time left.
kaltero::core::RaceState raceWithTimeLeft(qint64 ticksLeft) {
    kaltero::core::RaceState race;
    race.EndTimeSet = true;
    race.RemainTicks = qint32(ticksLeft);
    return race;
}

}  // namespace

class TestPitWall : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contactPeriodsAndStops_data() {
        QTest::addColumn<QList<qint32>>("reports");
        QTest::addColumn<QList<ContactPeriod>>("periods");
        QTest::addColumn<QList<bool>>("stops");  // pit stop threshold 20000 ticks
        QTest::newRow("passes along the straight")
            << QList<qint32>{0, 500, 1000, 40000, 40400}
            << QList<ContactPeriod>{{0, 1000}, {40000, 40400}} << QList<bool>{false, false};
        QTest::newRow("one report short of a stop")
            << QList<qint32>{0, 10000, 19999} << QList<ContactPeriod>{{0, 19999}}
            << QList<bool>{false};
        QTest::newRow("exactly at the threshold is no stop")
            << QList<qint32>{0, 10000, 20000} << QList<ContactPeriod>{{0, 20000}}
            << QList<bool>{false};
        QTest::newRow("one tick over is a stop")
            << QList<qint32>{0, 5000, 10000, 15000, 20001} << QList<ContactPeriod>{{0, 20001}}
            << QList<bool>{true};
        QTest::newRow("a gap of exactly the silence keeps the period")
            << QList<qint32>{0, 10000, 20000, 30000} << QList<ContactPeriod>{{0, 30000}}
            << QList<bool>{true};
        QTest::newRow("leaving reach in the pit ends the stop at its last report")
            << QList<qint32>{0, 9000, 18000, 27000, 60000}
            << QList<ContactPeriod>{{0, 27000}, {60000, 60000}} << QList<bool>{true, false};
        QTest::newRow("no report") << QList<qint32>{} << QList<ContactPeriod>{} << QList<bool>{};
    }

    void contactPeriodsAndStops() {
        QFETCH(QList<qint32>, reports);
        QFETCH(QList<ContactPeriod>, periods);
        QFETCH(QList<bool>, stops);
        const QList<ContactPeriod> found = kaltero::timing::contactPeriods(reports, 10000);
        QCOMPARE(found, periods);
        QList<bool> isStop;
        for (const ContactPeriod& p : found) {
            isStop << kaltero::timing::isPitStop(p, 20000);
        }
        QCOMPARE(isStop, stops);
    }

    // Stints and driving time across driver changes and stops; the current stint walks back to
    // the same stint the whole list ends with.
    void stintsAndDrivers_data() {
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QList<qint32>>("stopLaps");
        QTest::addColumn<QList<Stint>>("expected");
        QTest::addColumn<QString>("times");  // driver:ticks/laps/stints
        QTest::newRow("one driver") << QStringList{u"A"_s, u"A"_s} << QList<qint32>{}
                                    << QList<Stint>{{u"A"_s, 1, 2, 120000}} << u"A:120000/2/1"_s;
        QTest::newRow("driver change")
            << QStringList{u"A"_s, u"B"_s, u"B"_s} << QList<qint32>{}
            << QList<Stint>{{u"A"_s, 1, 1, 60000}, {u"B"_s, 2, 2, 120000}}
            << u"A:60000/1/1 B:120000/2/1"_s;
        QTest::newRow("a stop without a change starts a stint")
            << QStringList{u"A"_s, u"A"_s, u"A"_s} << QList<qint32>{2}
            << QList<Stint>{{u"A"_s, 1, 1, 60000}, {u"A"_s, 2, 2, 120000}} << u"A:180000/3/2"_s;
        QTest::newRow("back to the first driver")
            << QStringList{u"A"_s, u"B"_s, u"A"_s} << QList<qint32>{2, 3}
            << QList<Stint>{{u"A"_s, 1, 1, 60000}, {u"B"_s, 2, 1, 60000}, {u"A"_s, 3, 1, 60000}}
            << u"A:120000/2/2 B:60000/1/1"_s;
        QTest::newRow("no laps") << QStringList{} << QList<qint32>{} << QList<Stint>{} << QString();
    }
    void stintsAndDrivers() {
        QFETCH(QStringList, drivers);
        QFETCH(QList<qint32>, stopLaps);
        QFETCH(QList<Stint>, expected);
        QFETCH(QString, times);
        const auto car = carWith(drivers, stopLaps);
        const QList<Stint> found = kaltero::timing::stints(kaltero::timing::stintLaps(car, {}));
        QCOMPARE(found, expected);
        QStringList shown;
        for (const auto& d : kaltero::timing::driverTimes(found)) {
            shown << u"%1:%2/%3/%4"_s.arg(d.driver).arg(d.ticks).arg(d.laps).arg(d.stints);
        }
        QCOMPARE(shown.join(u' '), times);
        QCOMPARE(kaltero::timing::currentStint(car, 0),
                 found.isEmpty() ? std::optional<Stint>() : std::optional(found.last()));
    }

    // A 30 s stop at the start of lap 3 (ticks 120000..150000), A in, B out: whose time it is,
    // and the driver change entered before, during or after it.
    void pitTimeRule_data() {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QString>("inLapDriver");  // B: the change was entered on the in-lap
        QTest::addColumn<qint32>("changeTick");    // 0: none entered
        QTest::addColumn<QList<Stint>>("expected");
        QTest::addColumn<QString>("times");
        const QList<Stint> aThenB{{u"A"_s, 1, 2, 120000}, {u"B"_s, 3, 2, 90000}};
        QTest::newRow("0: the stop is no one's")
            << 0 << u"A"_s << 140000 << aThenB << u"A:120000 B:90000"_s;
        QTest::newRow("1: the driver who drives out")
            << 1 << u"A"_s << 140000 << QList<Stint>{{u"A"_s, 1, 2, 120000}, {u"B"_s, 3, 2, 120000}}
            << u"A:120000 B:120000"_s;
        QTest::newRow("2: split when the change was entered")
            << 2 << u"A"_s << 130000 << QList<Stint>{{u"A"_s, 1, 2, 130000}, {u"B"_s, 3, 2, 110000}}
            << u"A:130000 B:110000"_s;
        QTest::newRow("2: a change entered on the out-lap leaves the stop to A")
            << 2 << u"A"_s << 170000 << QList<Stint>{{u"A"_s, 1, 2, 150000}, {u"B"_s, 3, 2, 90000}}
            << u"A:150000 B:90000"_s;
        QTest::newRow("2: no change entered gives it to the driver who drives out")
            << 2 << u"A"_s << 0 << QList<Stint>{{u"A"_s, 1, 2, 120000}, {u"B"_s, 3, 2, 120000}}
            << u"A:120000 B:120000"_s;
        QTest::newRow("2: a change on the in-lap takes effect at the stop")
            << 2 << u"B"_s << 100000 << QList<Stint>{{u"A"_s, 1, 2, 120000}, {u"B"_s, 3, 2, 120000}}
            << u"A:120000 B:120000"_s;
        QTest::newRow("0: a change on the in-lap makes no one-lap stint")
            << 0 << u"B"_s << 100000 << aThenB << u"A:120000 B:90000"_s;
    }
    void pitTimeRule() {
        QFETCH(int, rule);
        QFETCH(QString, inLapDriver);
        QFETCH(qint32, changeTick);
        QFETCH(QList<Stint>, expected);
        QFETCH(QString, times);
        auto car = carWith({u"A"_s, inLapDriver, u"B"_s, u"B"_s}, {});
        car.pitStops.append({3, 120000, 150000, false});
        if (changeTick > 0) {
            car.driverChanges.append({changeTick, u"B"_s});
        }
        kaltero::core::RaceRules rules;
        rules.PitTimeRule = rule;
        const PitTime pitTime = kaltero::timing::pitTime(rules);
        const QList<Stint> found =
            kaltero::timing::stints(kaltero::timing::stintLaps(car, {}), pitTime);
        QCOMPARE(found, expected);
        QCOMPARE(drivingTimes(found), times);
        QCOMPARE(kaltero::timing::currentStint(car, 0, pitTime), std::optional(found.last()));
    }

    // Every driver who may drive the car is judged from the start; they drive one at a time, so
    // what they miss of the minimum (3:00) is summed against the race time left.
    void minimumsTogether_data() {
        QTest::addColumn<qint64>("ticksLeft");
        QTest::addColumn<QString>("marks");  // "!": cannot reach the minimum any more
        // A has driven 1:00, B and C (driver list and driver table) nothing: 8:00 missing.
        QTest::newRow("time for all of them") << 480000LL << u"A:60000 B:0 C:0"_s;
        QTest::newRow("one tick short for all of them") << 479999LL << u"A:60000! B:0! C:0!"_s;
        QTest::newRow("too short for one alone") << 179999LL << u"A:60000! B:0! C:0!"_s;
    }
    void minimumsTogether() {
        QFETCH(qint64, ticksLeft);
        QFETCH(QString, marks);
        auto race = raceWithTimeLeft(ticksLeft);
        race.rules.MinDrivingMinutes = 3;
        auto car = carWith({u"A"_s}, {});
        car.mayDrive = QStringList{u"A"_s, u"B"_s};
        car.drivers.append({.name = u"C"_s});
        QStringList shown;
        for (const auto& d : kaltero::timing::carWall(car, race, 1000, 60000).drivers) {
            shown << u"%1:%2%3"_s.arg(d.time.driver)
                         .arg(d.time.ticks)
                         .arg(d.missesMinimum ? u"!"_s : QString());
        }
        QCOMPARE(shown.join(u' '), marks);
    }

    // Each stop still needed takes the minimum stop (30 s) and a median lap (60 s).
    void stopsOutOfReach_data() {
        QTest::addColumn<int>("stopsMade");
        QTest::addColumn<qint64>("ticksLeft");
        QTest::addColumn<bool>("outOfReach");
        QTest::newRow("two to go, time for both") << 1 << 180000LL << false;
        QTest::newRow("two to go, a tick short") << 1 << 179999LL << true;
        QTest::newRow("all made") << 3 << 0LL << false;
    }
    void stopsOutOfReach() {
        QFETCH(int, stopsMade);
        QFETCH(qint64, ticksLeft);
        QFETCH(bool, outOfReach);
        auto race = raceWithTimeLeft(ticksLeft);
        race.rules.MinPitStops = 3;
        race.rules.MinPitStopSeconds = 30;
        auto car = carWith({u"A"_s, u"A"_s, u"A"_s, u"A"_s}, {});
        car.Running = true;
        car.LapStartTick = 240000;
        for (int i = 0; i < stopsMade; ++i) {
            car.pitStops.append({i + 2, 60000 * (i + 1), 60000 * (i + 1) + 1000, false});
        }
        QCOMPARE(kaltero::timing::carWall(car, race, 1000, 240000).stopsOutOfReach, outOfReach);
    }

    // Ten laps of 2:00 closed: the stint maximum (60:00) is reached on lap 30 at the median lap;
    // the fuel (course 4000 m, 2 l a lap) lasts to its own lap; the earlier one counts.
    void latestPitLap_data() {
        QTest::addColumn<int>("maxStintMinutes");
        QTest::addColumn<float>("litres");  // 0: no fuel estimate
        QTest::addColumn<QList<qint32>>("stopLaps");
        QTest::addColumn<std::optional<qint32>>("latest");
        QTest::newRow("the stint's maximum") << 60 << 0.0F << QList<qint32>{} << std::optional(30);
        QTest::newRow("fuel runs out first") << 60 << 50.0F << QList<qint32>{} << std::optional(25);
        QTest::newRow("the stint's maximum first")
            << 60 << 100.0F << QList<qint32>{} << std::optional(30);
        QTest::newRow("a stop began the stint on lap 6")
            << 60 << 0.0F << QList<qint32>{6} << std::optional(35);
        QTest::newRow("past the maximum: the lap just closed")
            << 10 << 0.0F << QList<qint32>{} << std::optional(10);
        QTest::newRow("fuel alone") << 0 << 50.0F << QList<qint32>{} << std::optional(25);
        QTest::newRow("no limit") << 0 << 0.0F << QList<qint32>{} << std::optional<qint32>();
    }
    void latestPitLap() {
        QFETCH(int, maxStintMinutes);
        QFETCH(float, litres);
        QFETCH(QList<qint32>, stopLaps);
        QFETCH(std::optional<qint32>, latest);
        kaltero::core::RaceState race;
        race.rules.MaxStintMinutes = maxStintMinutes;
        race.rules.PitTimeRule = 1;
        race.CourseLength = litres > 0.0F ? 4000 : 0;
        auto car = carWith(QStringList(10, u"A"_s), stopLaps);
        for (auto& lap : car.laps) {
            lap.ticks = 120000;
        }
        car.FuelEconomy = 2000.0F;
        car.FuelTotal = litres;
        // A lap counted and not yet closed is not yet driven.
        car.laps.append(kaltero::core::Lap{});
        car.LapCnt = 11;
        car.LapPending = true;
        car.Running = true;
        car.Driver = u"A"_s;
        car.LapStartTick = 1'200'000;
        QCOMPARE(kaltero::timing::carWall(car, race, 1000, 1'210'000).latestPitLap,
                 latest ? std::optional(*latest) : std::nullopt);
    }

    // The time of a lap the console was down in is unknown: it is in no stint's or driver's
    // time, and the stint and the driver say so; the lap still counts as driven.
    void lapAcrossARestartIsUnknownTime_data() {
        QTest::addColumn<int>("acrossLap");  // 0: the lap being driven
        QTest::addColumn<QList<Stint>>("expected");
        QTest::addColumn<QString>("times");  // driver:ticks/laps/stints, "?" unknown time
        QTest::newRow("a lap recorded")
            << 2 << QList<Stint>{{u"A"_s, 1, 2, 60000, true}, {u"B"_s, 3, 1, 60000, false}}
            << u"A:60000/2/1? B:60000/1/1"_s;
        QTest::newRow("the lap being driven")
            << 0 << QList<Stint>{{u"A"_s, 1, 2, 120000, false}, {u"B"_s, 3, 2, 60000, true}}
            << u"A:120000/2/1 B:60000/2/1?"_s;
    }
    void lapAcrossARestartIsUnknownTime() {
        QFETCH(int, acrossLap);
        QFETCH(QList<Stint>, expected);
        QFETCH(QString, times);
        auto car = carWith({u"A"_s, u"A"_s, u"B"_s}, {});
        car.Running = true;
        car.Driver = u"B"_s;
        car.LapStartTick = 180000;
        if (acrossLap > 0) {
            car.laps[acrossLap - 1].acrossRestart = true;
        } else {
            car.ResumedLap = true;
        }
        const qint32 now = 190000;
        const QList<Stint> found = kaltero::timing::stints(
            kaltero::timing::stintLaps(car, acrossLap > 0 ? std::nullopt : std::optional(now)));
        QCOMPARE(found, expected);
        QStringList shown;
        for (const auto& d : kaltero::timing::driverTimes(found)) {
            shown << u"%1:%2/%3/%4%5"_s.arg(d.driver).arg(d.ticks).arg(d.laps).arg(d.stints).arg(
                d.unknownTime ? u"?"_s : QString());
        }
        QCOMPARE(shown.join(u' '), times);
        QCOMPARE(kaltero::timing::currentStint(car, now),
                 acrossLap > 0 ? std::optional(Stint{u"B"_s, 3, 2, 70000, false})
                               : std::optional(found.last()));
    }

    // A car still timed adds the lap it is driving: counted and waiting for its report, or just
    // begun; a new driver in the car begins a stint with it.
    void runningLap_data() {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QString>("driverNow");
        QTest::addColumn<Stint>("current");
        QTest::newRow("lap begun") << false << u"A"_s << Stint{u"A"_s, 1, 3, 130000};
        QTest::newRow("lap counted") << true << u"A"_s << Stint{u"A"_s, 1, 2, 70000};
        QTest::newRow("new driver") << false << u"B"_s << Stint{u"B"_s, 3, 1, 10000};
    }
    void runningLap() {
        QFETCH(bool, pending);
        QFETCH(QString, driverNow);
        QFETCH(Stint, current);
        auto car = carWith({u"A"_s, u"A"_s}, {});
        car.Running = true;
        car.Driver = driverNow;
        car.LapStartTick = 120000;
        if (pending) {
            car.laps.last().timed = false;
            car.LapPending = true;
            car.LapStartTick = 60000;
        }
        QCOMPARE(kaltero::timing::currentStint(car, car.LapStartTick + 10000), current);
        QCOMPARE(kaltero::timing::stints(kaltero::timing::stintLaps(car, car.LapStartTick + 10000))
                     .last(),
                 current);
    }

    // A car within reach past the threshold has entered the pit at its contact's start, once;
    // timing that ends then records its stop up to that moment. Threshold 10000 ticks.
    void inThePit_data() {
        using O = std::optional<qint32>;
        QTest::addColumn<bool>("inContact");
        QTest::addColumn<int>("lapsDriven");
        QTest::addColumn<int>("contactStart");
        QTest::addColumn<int>("lastReport");
        QTest::addColumn<O>("inSince");  // already in the pit since
        QTest::addColumn<O>("entry");
        QTest::addColumn<O>("stopFrom");  // the stop recorded when timing ends
        QTest::newRow("past the threshold")
            << true << 1 << 15000 << 25001 << O() << O(15000) << O(15000);
        QTest::newRow("exactly at the threshold")
            << true << 1 << 15000 << 25000 << O() << O() << O();
        QTest::newRow("the start on the grid") << true << 0 << 0 << 30000 << O() << O() << O();
        QTest::newRow("out of reach") << false << 1 << 15000 << 30000 << O() << O() << O();
        QTest::newRow("entered once") << true << 1 << 15000 << 45000 << O(15000) << O() << O(15000);
        QTest::newRow("a restart began a short contact")
            << true << 1 << 31000 << 33000 << O(15000) << O() << O(15000);
    }
    void inThePit() {
        QFETCH(bool, inContact);
        QFETCH(int, lapsDriven);
        QFETCH(int, contactStart);
        QFETCH(int, lastReport);
        QFETCH(std::optional<qint32>, inSince);
        QFETCH(std::optional<qint32>, entry);
        QFETCH(std::optional<qint32>, stopFrom);
        kaltero::core::CarSlot car;
        car.Running = true;
        car.LapCnt = lapsDriven;
        car.laps.resize(lapsDriven);
        car.InContact = inContact;
        car.ContactStartTick = contactStart;
        car.LastRcvTick = lastReport;
        car.PitSinceTick = inSince;
        QCOMPARE(kaltero::timing::pitEntry(car, 10000), entry);
        const qint32 now = lastReport + 500;
        QCOMPARE(kaltero::timing::stopAtEnd(car, 10000, now),
                 stopFrom ? std::optional(kaltero::core::PitStop{lapsDriven + 1, *stopFrom, now})
                          : std::nullopt);
    }

    // Standing in the pit, the car drives a lap with a stop in it: the stint before ended, no
    // stint alert sounds, and the stop is counted against the minimum.
    void runningLapInThePit_data() {
        QTest::addColumn<int>("minSeconds");
        QTest::addColumn<bool>("minimumMet");
        QTest::newRow("no minimum") << 0 << false;
        QTest::newRow("minimum met") << 25 << true;
        QTest::newRow("short of the minimum") << 26 << false;
    }
    void runningLapInThePit() {
        QFETCH(int, minSeconds);
        QFETCH(bool, minimumMet);
        auto car = carWith({u"A"_s, u"A"_s}, {});
        car.Running = true;
        car.Driver = u"A"_s;
        car.LapStartTick = 120000;
        car.PitSinceTick = 121000;
        const qint32 now = 146000;
        kaltero::core::RaceState race;
        race.rules.MaxStintMinutes = 1;  // the lap alone is near it
        race.rules.MinPitStopSeconds = minSeconds;
        const QList<StintLap> laps = kaltero::timing::stintLaps(car, now);
        QCOMPARE(laps.size(), 3);
        QVERIFY(laps.last().pitStop);
        QCOMPARE(laps.last().ticks, qint64(26000));
        QCOMPARE(laps.last().stopTicks, qint64(25000));
        const auto wall = kaltero::timing::carWall(car, race, 1000, now);
        QCOMPARE(wall.stints.first(), (Stint{u"A"_s, 1, 2, 120000}));
        QCOMPARE(wall.stintAlert, kaltero::timing::Alert::None);
        QVERIFY(wall.inPit);
        QCOMPARE(wall.inPit->ticks, qint64(25000));
        QCOMPARE(wall.inPit->minTicks, qint64(minSeconds) * 1000);
        QCOMPARE(wall.inPit->minimumMet(), minimumMet);
    }

    // Timing stopped on a lap no report closed: the driver in the car drove it, its time
    // unknown to the console; no stint of nobody.
    void lapCutByTheStop_data() {
        QTest::addColumn<QString>("driverNow");
        QTest::addColumn<QList<Stint>>("expected");
        QTest::newRow("the same driver") << u"A"_s << QList<Stint>{{u"A"_s, 1, 3, 120000}};
        QTest::newRow("a driver change on the lap")
            << u"B"_s << QList<Stint>{{u"A"_s, 1, 2, 120000}, {u"B"_s, 3, 1, 0}};
    }
    void lapCutByTheStop() {
        QFETCH(QString, driverNow);
        QFETCH(QList<Stint>, expected);
        auto car = carWith({u"A"_s, u"A"_s}, {});
        car.laps.append(kaltero::core::Lap{});
        car.LapCnt = 3;
        car.LapPending = true;
        car.Driver = driverNow;
        QCOMPARE(kaltero::timing::stints(kaltero::timing::stintLaps(car, 500000)), expected);
    }

    // Each limit warns five minutes ahead and when passed; the stint message goes out from its
    // minutes before the maximum; a driver misses the minimum when the race time left is too short.
    void limits_data() {
        QTest::addColumn<qint64>("used");
        QTest::addColumn<int>("limitMinutes");
        QTest::addColumn<int>("alert");
        QTest::addColumn<bool>("messageDue");  // the message 10 minutes ahead
        QTest::newRow("no limit") << 99999999LL << 0 << int(kaltero::timing::Alert::None) << false;
        QTest::newRow("well before")
            << 2999999LL << 60 << int(kaltero::timing::Alert::None) << false;
        QTest::newRow("message, no warning yet")
            << 3000000LL << 60 << int(kaltero::timing::Alert::None) << true;
        QTest::newRow("five minutes before")
            << 3300000LL << 60 << int(kaltero::timing::Alert::Near) << true;
        QTest::newRow("exactly at the limit")
            << 3600000LL << 60 << int(kaltero::timing::Alert::Near) << true;
        QTest::newRow("passed") << 3600001LL << 60 << int(kaltero::timing::Alert::Passed) << true;
    }
    void limits() {
        QFETCH(qint64, used);
        QFETCH(int, limitMinutes);
        QFETCH(int, alert);
        QFETCH(bool, messageDue);
        kaltero::core::RaceRules rules;
        rules.MaxStintMinutes = limitMinutes;
        rules.StintMessageMinutes = 10;
        const auto ticks = kaltero::timing::ruleTicks(rules, 1000);
        QCOMPARE(int(kaltero::timing::limitAlert(used, ticks.maxStint, ticks.warn)), alert);
        QCOMPARE(kaltero::timing::stintMessageDue(Stint{u"A"_s, 1, 1, used}, ticks), messageDue);
        QCOMPARE(kaltero::timing::missesMinimum(used, ticks.maxStint, 600000),
                 limitMinutes > 0 && ticks.maxStint - used > 600000);
        QVERIFY(!kaltero::timing::missesMinimum(0, ticks.maxStint, std::nullopt));
    }

    void fuelLaps_data() {
        QTest::addColumn<qint32>("course");
        QTest::addColumn<float>("economy");
        QTest::addColumn<float>("total");
        QTest::addColumn<qint32>("lapsDriven");
        QTest::addColumn<std::optional<FuelLaps>>("expected");
        QTest::newRow("40 l left at 2 l a lap")
            << 4000 << 2000.0F << 60.0F << 10 << std::optional(FuelLaps{20, 30});
        QTest::newRow("part of a lap left counts no lap")
            << 4000 << 2000.0F << 61.9F << 10 << std::optional(FuelLaps{20, 30});
        QTest::newRow("fuel used up")
            << 4000 << 2000.0F << 20.0F << 10 << std::optional(FuelLaps{0, 10});
        QTest::newRow("no course") << 0 << 2000.0F << 60.0F << 10 << std::optional<FuelLaps>();
        QTest::newRow("no economy") << 4000 << 0.0F << 60.0F << 10 << std::optional<FuelLaps>();
        QTest::newRow("fuel not a number")
            << 4000 << 2000.0F << std::numeric_limits<float>::quiet_NaN() << 10
            << std::optional<FuelLaps>();
        QTest::newRow("exactly ten laps at 2.4 km/l")
            << 4000 << 2400.0F << 60.0F << 26 << std::optional(FuelLaps{10, 36});
        QTest::newRow("litres typed with a decimal")
            << 4000 << 2500.0F << 33.6F << 1 << std::optional(FuelLaps{20, 21});
        QTest::newRow("economy typed with a decimal")
            << 1000 << 1234.5F << 8.1F << 0 << std::optional(FuelLaps{9, 9});
        QTest::newRow("beyond any race")
            << 1 << 3.0e38F << 3.0e38F << 0 << std::optional<FuelLaps>();
    }

    void fuelLaps() {
        QFETCH(qint32, course);
        QFETCH(float, economy);
        QFETCH(float, total);
        QFETCH(qint32, lapsDriven);
        QFETCH(std::optional<FuelLaps>, expected);
        QCOMPARE(kaltero::timing::fuelLaps(course, economy, total, lapsDriven), expected);
    }

    void medianLap_data() {
        QTest::addColumn<QList<qint32>>("ticks");  // 0: a lap without a time, -1: across a restart
        QTest::addColumn<std::optional<qint64>>("median");
        QTest::newRow("odd count")
            << QList<qint32>{61000, 120000, 60000} << std::optional<qint64>(61000);
        QTest::newRow("even count, mean of the middle two")
            << QList<qint32>{60000, 61001, 30000, 90000} << std::optional<qint64>(60500);
        QTest::newRow("laps without a time and across a restart left out")
            << QList<qint32>{0, 60000, -1, 62000, 0} << std::optional<qint64>(61000);
        QTest::newRow("no lap with a time") << QList<qint32>{0, -1} << std::optional<qint64>();
    }

    void medianLap() {
        QFETCH(QList<qint32>, ticks);
        QFETCH(std::optional<qint64>, median);
        QList<kaltero::core::Lap> laps;
        for (const qint32 t : ticks) {
            kaltero::core::Lap lap;
            lap.timed = t != 0;
            lap.acrossRestart = t < 0;
            lap.ticks = t < 0 ? 1000 : t;
            laps.append(lap);
        }
        QCOMPARE(kaltero::timing::medianLapTicks(laps), median);
    }
};

QTEST_GUILESS_MAIN(TestPitWall)
#include "test_pit_wall.moc"
