// Five simulated cars on the loopback link stop in the pit every second lap while the engine
// times them on the real clock, and the operator changes the driver while each car stands in the
// pit: every stop the cars made shows while the car stands there and is found in its lap, as long
// as the car stood there, and the stints and driving times add up to the race. On the manual
// clock, a car in the pit across a restart and at Stop.
#include "car_sim.h"
#include "console/test_car.h"
#include "core/console_context.h"
#include "engine/engine_run.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "timing/pit_wall.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

constexpr int kCars = 5;
constexpr int kLaps = 6;
constexpr int kIntervalMs = 100;
const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

QString driverName(int slot, int stint) {
    return u"D%1-%2"_s.arg(slot + 1).arg(stint + 1);
}

}  // namespace

class TestPitStopsUdp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stopsAndStintsMatchTheCars() {
        platform::SystemClock clock;
        platform::ScriptedPrompts prompts;
        model::RaceModel race;
        core::Console console{prompts, clock, race, race.state()};
        console.settings.NoCommSeconds = 1;
        console.settings.rules.PitStopSeconds = 1;  // a pass is 0.4 s within reach, a stop 2.5 s
        console.settings.derive();
        engine::RaceEngine engine{console};
        for (int s = 0; s < kCars; ++s) {
            race.setAddress(s, u"127.0.0.1"_s, true);
            race.chooseDriver(s, driverName(s, 0), core::kCountdownOffText);
        }
        // The operator puts the next driver in as soon as the car shows in the pit; each stop
        // is recorded from the moment the car entered.
        std::array<int, kCars> stints{};
        std::array<QList<qint32>, kCars> entered;
        QObject::connect(&race, &model::RaceModel::changed, [&](const model::Change& c) {
            if (c.op == model::Op::PitEntered) {
                const int s = c.slot;
                entered[s] << race.car(s).PitSinceTick.value_or(-1);
                QTimer::singleShot(0, [&race, &stints, s] {
                    race.chooseDriver(s, driverName(s, ++stints[s]), core::kCountdownOffText);
                });
            }
        });
        QVERIFY(engine.start());

        carsim::CarSimOptions options;
        options.cars = {1, 2, 3, 4, 5};
        options.laps = kLaps;
        options.inRangeMs = 400;
        options.silenceMs = 1400;
        options.intervalMs = kIntervalMs;
        options.pitEveryLaps = 2;
        options.pitStopMs = 2500;
        carsim::CarSim sim(options);
        // Each car is stopped once it holds its last lap, before a silence counts another.
        QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
            if (lap.lap == kLaps) {
                engine.stopCar(lap.car - 1);
            }
        });
        QSignalSpy finished(&sim, &carsim::CarSim::finished);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QVERIFY(finished.wait(60'000));
        const carsim::CarSimResult& result = sim.result();
        QVERIFY(result.completed);

        for (int s = 0; s < kCars; ++s) {
            const core::CarSlot& car = race.car(s);
            QList<carsim::PitStopResult> made;
            for (const auto& stop : result.stops) {
                if (stop.car == s + 1) {
                    made << stop;
                }
            }
            QCOMPARE(made.size(), (kLaps - 1) / 2);
            QCOMPARE(car.pitStops.size(), made.size());
            QCOMPARE(entered[s].size(), made.size());
            for (qsizetype i = 0; i < made.size(); ++i) {
                const core::PitStop& found = car.pitStops[i];
                QCOMPARE(found.lap, made[i].lap);
                QCOMPARE(found.startTick, entered[s][i]);
                const qint64 stood = made[i].lastReportMs - made[i].firstReportMs;
                QVERIFY2(qAbs(found.length() - stood) <= 1 + kIntervalMs,
                         qPrintable(u"car %1 stop %2: %3 ms, the car stood %4 ms"_s.arg(s + 1)
                                        .arg(i + 1)
                                        .arg(found.length())
                                        .arg(stood)));
            }

            // A stint per driver, each from the lap its stop fell in; the times are the laps'
            // less the time in the pit, which is no one's driving time.
            const auto wall = timing::carWall(car, race.state(), 1000, console.TickCnt());
            QList<timing::Stint> expected;
            qint64 total = 0;
            for (int st = 0; st <= made.size(); ++st) {
                const qint32 first = st == 0 ? 1 : made[st - 1].lap;
                const qint32 next = st < made.size() ? made[st].lap : kLaps + 1;
                qint64 ticks = 0;
                for (qint32 lap = first; lap < next; ++lap) {
                    QVERIFY(car.laps[lap - 1].timed);
                    ticks += car.laps[lap - 1].ticks;
                }
                if (st > 0) {
                    ticks -= car.pitStops[st - 1].length();
                }
                total += ticks;
                expected << timing::Stint{driverName(s, st), first, next - first, ticks};
            }
            QCOMPARE(car.LapCnt, kLaps);
            QCOMPARE(wall.stints, expected);
            qint64 driven = 0;
            for (const auto& d : wall.drivers) {
                QCOMPARE(d.time.stints, 1);
                driven += d.time.ticks;
            }
            QCOMPARE(driven, total);
        }
        engine.stop();
    }

    // A car standing in the pit is in it before it leaves: from then on no stint message; the
    // console goes down and comes back during the stop, and the stop goes on from its true
    // start.
    void inThePitAcrossARestart() {
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        testing::TestCar car0(0);
        const auto reply = [&car0] { return car0.exchange(testing::TestCar::lapReport(2)); };
        {
            testing::EngineRun run(dir.path(), clock, false);
            run.console.settings.rules.MaxStintMinutes = 2;
            run.console.settings.rules.StintMessageMinutes = 1;
            run.console.settings.rules.StintMessage = u"BOX"_s;
            run.race.setAddress(0, u"127.0.0.1"_s, true);
            run.race.chooseDriver(0, u"A"_s, core::kCountdownOffText);
            QVERIFY(run.engine.start());
            clock.advance(15'000);
            car0.exchange(testing::TestCar::lapReport(0));  // lap 1
            clock.advance(70'000);
            // Lap 2 closes at 85 s, 85 s into the stint: the message is due.
            QVERIFY(car0.exchange(testing::TestCar::lapReport(1)).contains(u"BOX"));
            for (int i = 0; i < 4; ++i) {  // 20 s within reach: not yet in the pit
                clock.advance(5'000);
                QVERIFY(reply().contains(u"BOX"));
            }
            QVERIFY(!run.race.car(0).PitSinceTick);
            clock.advance(5'000);
            reply();
            clock.advance(100);  // the lap timer finds it
            QCOMPARE(run.race.car(0).PitSinceTick, std::optional<qint32>(85'000));
            QVERIFY(run.race.car(0).pitStops.isEmpty());
            // Up to 150 s: the lap in the pit runs past the message's time, yet none goes out.
            for (int i = 0; i < 8; ++i) {
                clock.advance(i == 0 ? 4'900 : 5'000);
                QVERIFY(!reply().contains(u"BOX"));
            }
            clock.advance(1'000);
        }  // the console goes down in the stop
        clock.advance(2'000);
        testing::EngineRun again(dir.path(), clock, true);
        QCOMPARE(again.race.car(0).PitSinceTick, std::optional<qint32>(85'000));
        for (int i = 0; i < 2; ++i) {  // a new contact from 155 s
            clock.advance(i == 0 ? 2'000 : 5'000);
            QVERIFY(!reply().contains(u"BOX"));
        }
        clock.advance(15'000);  // gone at 160 s: the silence counts lap 3
        QCOMPARE(again.race.car(0).pitStops, (QList<core::PitStop>{{3, 85'000, 160'000, false}}));
        QVERIFY(!again.race.car(0).PitSinceTick);
        again.engine.stop();
    }

    // At Stop, the car standing in the pit gets its stop up to Stop; the car out on a lap no
    // report closed has driven it, with no stint of nobody.
    void stopEndsTheStopInThePit() {
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        testing::TestCar car0(0);
        testing::TestCar car1(1);
        testing::EngineRun run(dir.path(), clock, false);
        for (int s = 0; s < 2; ++s) {
            run.race.setAddress(s, u"127.0.0.1"_s, true);
            run.race.chooseDriver(s, driverName(s, 0), core::kCountdownOffText);
        }
        QVERIFY(run.engine.start());
        clock.advance(15'000);
        car0.exchange(testing::TestCar::lapReport(0));
        car1.exchange(testing::TestCar::lapReport(0));
        for (int i = 0; i < 6; ++i) {  // car0 stands in reach from 15 s to 45 s
            clock.advance(5'000);
            car0.exchange(testing::TestCar::lapReport(1));
        }
        clock.advance(2'000);
        run.engine.stop();
        QCOMPARE(run.race.car(0).pitStops, (QList<core::PitStop>{{2, 15'000, 47'000, false}}));
        QVERIFY(!run.race.car(0).PitSinceTick);
        const core::CarSlot& out = run.race.car(1);
        QCOMPARE(out.LapCnt, 2);  // counted, never closed
        QCOMPARE(timing::carWall(out, run.race.state(), 1000, 47'000).stints,
                 (QList<timing::Stint>{{driverName(1, 0), 1, 2, 15'000}}));
    }
};

QTEST_GUILESS_MAIN(TestPitStopsUdp)
#include "test_pit_stops_udp.moc"
