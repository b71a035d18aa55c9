#include "common/timed_race.h"
#include "link/car_link.h"
#include "link/figure_text.h"
#include "link/lap_closing.h"
#include "link/protocol.h"
#include "model/race_model.h"
#include "race/fuel.h"
#include "race/report_inputs.h"

#include <QSignalSpy>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(10, 0, 0)};

// A race of two cars driven through the model's operations the way the link rules drive it.
struct ScriptedRace : testing::TimedRace {
    QStringList log;

    ScriptedRace() {
        QObject::connect(&race, &model::RaceModel::changed, [this](const model::Change& c) {
            if (c.isOperation()) {
                log << c.logLine();
            }
        });
    }
    // The car reports at `tick`; a report after a counted lap closes it.
    void report(int s, qint32 tick, const QString& message = {}) {
        const auto& car = race.car(s);
        race.receiveReport(s, {.RcvData = u"000"_s + message,
                               .CarLapNo = 0,
                               .message = message,
                               .AutoMsg = {},
                               .SendMsg = {}});
        if (link::CarLink::closesLap(car)) {
            const auto closed =
                link::closeLap(race.state(), s, message, tick, kStart.addMSecs(tick), settings);
            race.recordLap(s, closed.lapNo, closed.lap, tick, closed.figures, closed.record);
        }
        race.reportHandled(s, tick);
    }
    void lap(int s, qint32 closedAt, const QString& message = {}) {
        race.countLap(s, u"0"_s);
        report(s, closedAt, message);
    }
};

// Two cars, five laps and a correction, an edit, a refuelling and a driver change.
void driveTheScript(ScriptedRace& r) {
    auto& race = r.race;
    race.setAddress(0, u"10.0.0.1"_s, true);
    race.setAddress(1, u"10.0.0.2"_s, true);
    race.chooseCar(0, u"赤"_s, u"60"_s, 60.0F, 8000.0F);
    race.chooseCar(1, u"青"_s, u"50"_s, 50.0F, 10000.0F);
    race.chooseCourse(u"鈴鹿"_s, 4000);
    race.chooseDriver(0, u"山田"_s, u"0"_s);
    race.chooseDriver(1, u"佐藤"_s, u"0"_s);
    race.listDriverEntries(0, {u"山田"_s, u"鈴木"_s});
    race.listDriverEntries(0, {u"山田"_s, u"鈴木"_s});  // the same entries are no change
    race.refuel(1, 10.0F);
    core::RaceRules rules;
    rules.MaxStintMinutes = 60;
    rules.PitTimeRule = 2;
    race.setRules(rules);
    race.setRules(rules);  // the same rules again are no change
    race.start(kStart, std::nullopt);
    r.lap(0, 83000);
    r.lap(1, 90000);
    r.lap(0, 165500);
    r.lap(1, 171000, u"ピット"_s);
    r.lap(0, 248000);
    race.correctLapCount(1, 4);  // lap 3 was never seen
    r.report(1, 256000);
    race.editLapTime(0, 1, u"1'20\"000"_s, 80000);
    race.chooseDriver(0, u"鈴木"_s, u"0"_s, 260000);  // in the pit: when it was entered counts
    race.recordPitStop(0, {4, 250000, 275000, false});
    // Stops the operator enters and corrects (a car that stopped out of reach).
    race.editPitStop(1, -1, {3, 200000, 230000, true});
    race.editPitStop(1, 0, {3, 200000, 231000, true});
    race.editPitStop(1, -1, {1, 10000, 12000, true});  // goes first: it started first
    race.editPitStop(1, 5, {1, 1, 2, true});           // no such stop
    race.removePitStop(1, 0);
    r.lap(0, 330000);
    race.stop();
}

}  // namespace

class TestRaceModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scriptedRace() {
        ScriptedRace r;
        driveTheScript(r);
        const auto& race = r.race;

        // Figures: the edit counts from the next recorded lap on.
        const auto shown = link::carFigureTexts(race.car(0), r.settings);
        QCOMPARE(shown.best, u"1周目 1'20\"000"_s);
        QCOMPARE(shown.average, u"1'21\"750"_s);
        QCOMPARE(shown.driverBest, u"1'22\"000-4L"_s);
        QCOMPARE(race.car(1).laps.size(), 4);
        QVERIFY(!race.car(1).laps[2].timed);
        QCOMPARE(race.car(1).laps[3].ticks, 85000);

        // Standings: both on lap 5, the better best lap first.
        const auto standings = link::UpdateStandings(link::standingsCars(race.state()));
        QCOMPARE(standings.rows.size(), 2);
        QCOMPARE(standings.rows[0].carName, u"赤"_s);
        QCOMPARE(standings.rows[1].carName, u"青"_s);
        QCOMPARE(standings.rows[1].bestTicks.value_or(-1), 81000);

        // Fuel: 10 l put in, 4 laps of 0.4 l.
        const auto& car1 = race.car(1);
        const auto fuel = race::fuelView({.CourseLength = race.state().CourseLength,
                                          .FuelEconomy = car1.FuelEconomy,
                                          .TankCapacity = car1.TankCapacity,
                                          .FuelTotal = car1.FuelTotal,
                                          .LapCnt = car1.LapCnt,
                                          .tankCaption = car1.TankTxt});
        QVERIFY(fuel.has_value());
        QCOMPARE(fuel->fuelLeftText, u"残8"_s);
        QVERIFY(fuel->blink);

        // The report: laps as recorded, the edit as typed, both drivers of car 1.
        const QStringList lines = race::reportLines(race::reportInputs(race.state(), r.settings));
        QVERIFY(lines.contains(u"1,1'20\"000,山田,,, "_s));
        QVERIFY(lines.contains(u"2,1'21\"000,佐藤,,, ピット"_s));
        QVERIFY(!lines.filter(u"3,"_s).filter(u"佐藤"_s).size());  // never timed
        QVERIFY(lines.contains(u"山田,1'22\"500-2L,1'22\"667"_s));
        QVERIFY(lines.contains(u"鈴木,1'22\"000-4L,1'22\"000"_s));
        QCOMPARE(lines.filter(u"車輌名:"_s), (QStringList{u"車輌名:赤"_s, u"車輌名:青"_s}));

        // The operations, in order, read like the race.
        QCOMPARE(r.log, (QStringList{
                            u"address set: car 1 10.0.0.1"_s,
                            u"address set: car 2 10.0.0.2"_s,
                            u"car chosen: car 1 赤"_s,
                            u"car chosen: car 2 青"_s,
                            u"course chosen: 鈴鹿 4000m"_s,
                            u"driver chosen: car 1 山田"_s,
                            u"driver chosen: car 2 佐藤"_s,
                            u"driver entries listed: car 1 山田/鈴木"_s,
                            u"refuelled: car 2 10"_s,
                            u"rules set"_s,
                            u"started: 2026-04-03T10:00:00"_s,
                            u"lap counted: car 1 lap 1"_s,
                            u"lap recorded: car 1 lap 1 83000"_s,
                            u"lap counted: car 2 lap 1"_s,
                            u"lap recorded: car 2 lap 1 90000"_s,
                            u"lap counted: car 1 lap 2"_s,
                            u"lap recorded: car 1 lap 2 82500"_s,
                            u"lap counted: car 2 lap 2"_s,
                            u"message received: car 2 ピット"_s,
                            u"lap recorded: car 2 lap 2 81000"_s,
                            u"lap counted: car 1 lap 3"_s,
                            u"lap recorded: car 1 lap 3 82500"_s,
                            u"lap count corrected: car 2 lap 4"_s,
                            u"message received: car 2"_s,
                            u"lap recorded: car 2 lap 4 85000"_s,
                            u"lap time edited: car 1 lap 1 1'20\"000"_s,
                            u"driver chosen: car 1 鈴木"_s,
                            u"pit stop recorded: car 1 lap 4 250000..275000"_s,
                            u"pit stop edited: car 2 lap 3 200000..230000"_s,
                            u"pit stop edited: car 2 lap 3 200000..231000"_s,
                            u"pit stop edited: car 2 lap 1 10000..12000"_s,
                            u"pit stop removed: car 2 lap 1 10000..12000"_s,
                            u"lap counted: car 1 lap 4"_s,
                            u"lap recorded: car 1 lap 4 82000"_s,
                            u"stopped"_s,
                        }));
    }

    // Replaying the operations a race emitted rebuilds the same race, operation for operation.
    void replayRebuildsTheRace() {
        ScriptedRace live;
        driveTheScript(live);
        ScriptedRace replayed;
        for (const model::Change& c : live.operations) {
            replayed.race.replay(c);
        }
        QCOMPARE(replayed.log, live.log);
        for (qsizetype i = 0; i < live.operations.size(); ++i) {
            QCOMPARE(model::argsOf(replayed.operations[i]), model::argsOf(live.operations[i]));
        }
        const auto lines = [](const ScriptedRace& r) {
            return race::reportLines(race::reportInputs(r.race.state(), r.settings));
        };
        QCOMPARE(lines(replayed), lines(live));
        for (int s = 0; s < 2; ++s) {
            const auto& a = live.race.car(s);
            const auto& b = replayed.race.car(s);
            QCOMPARE(b.LapCnt, a.LapCnt);
            QCOMPARE(b.LapRecord, a.LapRecord);
            QCOMPARE(b.LapStartTick, a.LapStartTick);
            QCOMPARE(b.FuelTotal, a.FuelTotal);
            QCOMPARE(b.AveLapTicks, a.AveLapTicks);
            QCOMPARE(b.PredictedLaps, a.PredictedLaps);
            QCOMPARE(b.pitStops, a.pitStops);
            QCOMPARE(b.driverChanges, a.driverChanges);
            QCOMPARE(b.mayDrive, a.mayDrive);
        }
        QCOMPARE(replayed.race.car(0).driverChanges,
                 (QList<core::DriverChange>{{260000, u"鈴木"_s}}));
        QCOMPARE(replayed.race.car(0).mayDrive, (QStringList{u"山田"_s, u"鈴木"_s}));
        QCOMPARE(live.race.car(1).pitStops, (QList<core::PitStop>{{3, 200000, 231000, true}}));
        QCOMPARE(replayed.race.state().rules, live.race.state().rules);
    }

    // A car in the pit stays there across a restart, until its stop is recorded or timing
    // ends; replayed, the race holds the same state.
    void inThePitAndReplayed_data() {
        QTest::addColumn<QString>("then");
        QTest::addColumn<std::optional<qint32>>("inSince");
        QTest::addColumn<int>("stops");
        QTest::newRow("entered") << u""_s << std::optional<qint32>(15000) << 0;
        QTest::newRow("a restart") << u"resume"_s << std::optional<qint32>(15000) << 0;
        QTest::newRow("left") << u"stop recorded"_s << std::optional<qint32>() << 1;
        QTest::newRow("Stop") << u"Stop"_s << std::optional<qint32>() << 0;
        QTest::newRow("car stopped") << u"car stopped"_s << std::optional<qint32>() << 0;
        QTest::newRow("next Start") << u"Start"_s << std::optional<qint32>() << 0;
    }
    void inThePitAndReplayed() {
        QFETCH(QString, then);
        QFETCH(std::optional<qint32>, inSince);
        QFETCH(int, stops);
        ScriptedRace live;
        auto& race = live.race;
        race.setAddress(0, u"10.0.0.1"_s, true);
        race.start(kStart, std::nullopt);
        live.lap(0, 10000);
        race.enterPit(0, 15000);
        if (then == u"resume") {
            race.resume(30000);
        } else if (then == u"stop recorded") {
            race.recordPitStop(0, {2, 15000, 40000, false});
        } else if (then == u"Stop") {
            race.stop();
        } else if (then == u"car stopped") {
            race.stopCar(0);
        } else if (then == u"Start") {
            race.start(kStart.addSecs(3600), std::nullopt);
        }
        QVERIFY(live.log.contains(u"pit entered: car 1 15000"_s));
        ScriptedRace replayed;
        for (const model::Change& c : live.operations) {
            replayed.race.replay(c);
        }
        for (const ScriptedRace* r : {&live, &replayed}) {
            QCOMPARE(r->race.car(0).PitSinceTick, inSince);
            QCOMPARE(r->race.car(0).pitStops.size(), stops);
        }
    }

    // The next Start shows and ranks nothing of the last race's figures until each car
    // records a lap of its own; the driver table keeps what the drivers did.
    void startClearsTheLastRacesFigures() {
        ScriptedRace r;
        driveTheScript(r);
        r.race.start(kStart.addSecs(3600), std::nullopt);
        for (int s = 0; s < 2; ++s) {
            QCOMPARE(link::carFigureTexts(r.race.car(s), r.settings).best, QString());
            QVERIFY(r.race.car(s).pitStops.isEmpty());  // the second race has stops of its own
            QVERIFY(!r.race.car(s).InContact);
        }
        const auto standings = link::UpdateStandings(link::standingsCars(r.race.state()));
        QCOMPARE(standings.rows.size(), 2);
        QCOMPARE(standings.rows[0].slot, 0);
        QCOMPARE(standings.rows[0].lap, qint64(1));
        QVERIFY(!standings.rows[0].bestTicks);
        QCOMPARE(standings.rows[0].bestLap, 0);
        const auto yamada = link::driverFigureTexts(r.race.car(0).drivers.value(0), r.settings);
        QCOMPARE(yamada.best, u"1'22\"500-2L"_s);
        QCOMPARE(yamada.average, u"1'22\"667"_s);
    }

    // A correction always closes with the next report; otherwise only a counted lap the car
    // does not hold yet does.
    void whatClosesALap_data() {
        QTest::addColumn<bool>("counted");
        QTest::addColumn<bool>("corrected");
        QTest::addColumn<bool>("closes");
        QTest::newRow("nothing counted") << false << false << false;
        QTest::newRow("counted") << true << false << true;
        QTest::newRow("corrected") << false << true << true;
    }
    void whatClosesALap() {
        QFETCH(bool, counted);
        QFETCH(bool, corrected);
        ScriptedRace r;
        r.race.setAddress(0, u"127.0.0.1"_s, true);
        r.race.start(kStart, std::nullopt);
        if (counted) {
            r.race.countLap(0, u"0"_s);
        }
        if (corrected) {
            r.race.correctLapCount(0, 3);
        }
        r.report(0, 5000);
        QTEST(r.race.car(0).laps.value(r.race.car(0).LapCnt - 1).timed, "closes");
    }
};

QTEST_APPLESS_MAIN(TestRaceModel)
#include "test_race_model.moc"
