// Five simulated cars on the loopback link stop in the pit every second lap while the engine
// times them on the real clock, and the operator changes the driver at each stop: every stop the
// cars made is found in its lap, as long as the car stood there, and the stints and driving times
// add up to the race.
#include "car_sim.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "timing/pit_wall.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

constexpr int kCars = 5;
constexpr int kLaps = 6;
constexpr int kIntervalMs = 100;

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
        // The operator puts the next driver in as soon as the stop shows.
        std::array<int, kCars> stints{};
        QObject::connect(&race, &model::RaceModel::changed, [&](const model::Change& c) {
            if (c.op == model::Op::PitStopRecorded) {
                const int s = c.slot;
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
            for (qsizetype i = 0; i < made.size(); ++i) {
                const core::PitStop& found = car.pitStops[i];
                QCOMPARE(found.lap, made[i].lap);
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
};

QTEST_GUILESS_MAIN(TestPitStopsUdp)
#include "test_pit_stops_udp.moc"
