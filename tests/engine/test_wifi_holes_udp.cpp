// Five simulated cars on the loopback link while the pit's Wi-Fi fails them: a hole in the middle
// of every stop and one pass nobody hears. The operator merges each false lap with the next and
// splits the double lap at the car's median: the laps, stops, stints and driving times are then
// the ones the cars drove, within a tick and a report interval.
#include "car_sim.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "link/lap_repair.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "timing/lap_check.h"
#include "timing/median_lap.h"
#include "timing/pit_wall.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

constexpr int kCars = 5;
constexpr int kLaps = 6;  // records each car waits for; the missed pass makes it drive one more
constexpr int kIntervalMs = 100;
constexpr int kPitStopMs = 4000;
constexpr int kLapMs = 2800;  // 0.4 s within reach, 2.4 s out of it
// Longer than the silence time, so the console counts a false lap; shorter than any lap.
constexpr int kHoleMs = 1300;
constexpr int kMissedPass = 6;  // a lap with no stop in it
constexpr qint64 kTolerance = 1 + kIntervalMs;

QString driverName(int slot, int stint) {
    return u"D%1-%2"_s.arg(slot + 1).arg(stint + 1);
}

// What one car drove: its laps (ms), its stops (lap, first and last report, ms since the
// console's Start) and the driving time of each driver on track.
struct Truth {
    QList<qint64> laps;
    QList<core::PitStop> stops;
    QList<timing::DriverTime> drivers;
};

Truth truthOf(int slot, const carsim::CarSimResult& result, qint64 simOffsetMs) {
    Truth truth;
    qint64 lapStart = 0;
    for (const carsim::PassResult& pass : result.passes) {
        if (pass.car == slot + 1) {
            truth.laps << pass.startMs + simOffsetMs - lapStart;
            lapStart = pass.startMs + simOffsetMs;
        }
    }
    for (const carsim::PitStopResult& stop : result.stops) {
        if (stop.car == slot + 1) {
            truth.stops << core::PitStop{stop.lap, qint32(stop.firstReportMs + simOffsetMs),
                                         qint32(stop.lastReportMs + simOffsetMs), false};
        }
    }
    // A new driver after every stop; a stop counts for no driver.
    int stint = 0;
    for (qsizetype i = 0; i < truth.laps.size(); ++i) {
        const qint32 lapNo = qint32(i + 1);
        qint64 onTrack = truth.laps[i];
        for (const core::PitStop& stop : truth.stops) {
            if (stop.lap == lapNo) {
                ++stint;
                onTrack -= stop.length();
            }
        }
        if (truth.drivers.size() <= stint) {
            truth.drivers << timing::DriverTime{driverName(slot, stint)};
            truth.drivers.last().stints = 1;
        }
        truth.drivers[stint].ticks += onTrack;
        ++truth.drivers[stint].laps;
    }
    return truth;
}

bool near(qint64 a, qint64 b, qint64 tolerance = kTolerance) {
    return qAbs(a - b) <= tolerance;
}

}  // namespace

class TestWifiHolesUdp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repairedLapsAreTheCars() {
        platform::SystemClock clock;
        platform::ScriptedPrompts prompts;
        model::RaceModel race;
        core::Console console{prompts, clock, race, race.state()};
        console.settings.NoCommSeconds = 1;
        console.settings.rules.PitStopSeconds = 1;  // each half of a stop stands 1.35 s
        console.settings.derive();
        engine::RaceEngine engine{console};
        for (int s = 0; s < kCars; ++s) {
            race.setAddress(s, u"127.0.0.1"_s, true);
            race.chooseDriver(s, driverName(s, 0), core::kCountdownOffText);
        }

        carsim::CarSimOptions options;
        options.cars = {1, 2, 3, 4, 5};
        options.laps = kLaps;
        options.inRangeMs = 400;
        options.silenceMs = kLapMs - options.inRangeMs;
        options.intervalMs = kIntervalMs;
        options.pitEveryLaps = 2;
        options.pitStopMs = kPitStopMs;
        options.stopHoleMs = kHoleMs;
        options.missedPass = kMissedPass;
        carsim::CarSim sim(options);
        // The operator puts the next driver in a second into each stop, before the hole.
        std::array<int, kCars> stints{};
        QObject::connect(&sim, &carsim::CarSim::returning, [&](int carNumber) {
            const auto& passes = sim.result().passes;
            if (!passes.isEmpty() && passes.last().pitStop) {
                const int s = carNumber - 1;
                QTimer::singleShot(1000, &race, [&race, &stints, s] {
                    race.chooseDriver(s, driverName(s, ++stints[s]), core::kCountdownOffText);
                });
            }
        });
        std::array<int, kCars> records{};
        QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
            if (++records[lap.car - 1] == kLaps) {
                engine.stopCar(lap.car - 1);
            }
        });
        QSignalSpy finished(&sim, &carsim::CarSim::finished);
        QElapsedTimer sinceStart;
        QVERIFY(engine.start());
        sinceStart.start();
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const qint64 simOffsetMs = sinceStart.elapsed();
        QVERIFY(finished.wait(90'000));
        QVERIFY(sim.result().completed);

        for (int s = 0; s < kCars; ++s) {
            const Truth truth = truthOf(s, sim.result(), simOffsetMs);
            QCOMPARE(truth.laps.size(), kLaps + 1);
            QCOMPARE(truth.stops.size(), 2);
            repair(race, s);
            if (QTest::currentTestFailed()) {
                return;
            }
            const core::CarSlot& car = race.car(s);
            QCOMPARE(car.laps.size(), truth.laps.size());
            // Lap 1 runs from the console's Start, which the car never saw.
            for (qsizetype i = 1; i < truth.laps.size(); ++i) {
                QVERIFY2(near(car.laps[i].ticks, truth.laps[i]),
                         qPrintable(u"car %1 lap %2: %3 ms, the car drove %4 ms"_s.arg(s + 1)
                                        .arg(i + 1)
                                        .arg(car.laps[i].ticks)
                                        .arg(truth.laps[i])));
            }
            QCOMPARE(car.pitStops.size(), truth.stops.size());
            for (qsizetype i = 0; i < truth.stops.size(); ++i) {
                const core::PitStop& found = car.pitStops[i];
                QCOMPARE(found.lap, truth.stops[i].lap);
                QVERIFY2(near(found.length(), truth.stops[i].length()),
                         qPrintable(u"car %1 stop %2: %3 ms, the car stood %4 ms"_s.arg(s + 1)
                                        .arg(i + 1)
                                        .arg(found.length())
                                        .arg(truth.stops[i].length())));
            }
            const auto wall = timing::carWall(car, race.state(), 1000, console.TickCnt());
            QCOMPARE(wall.stints.size(), truth.drivers.size());
            QCOMPARE(wall.drivers.size(), truth.drivers.size());
            for (qsizetype d = 0; d < truth.drivers.size(); ++d) {
                const timing::DriverTime& got = wall.drivers[d].time;
                QCOMPARE(got.driver, truth.drivers[d].driver);
                QCOMPARE(got.laps, truth.drivers[d].laps);
                QCOMPARE(got.stints, 1);
                // A stint's time runs from one lap's end to another's, less its stop.
                QVERIFY2(near(got.ticks, truth.drivers[d].ticks, 3 * kTolerance),
                         qPrintable(u"car %1 %2: %3 ms on track, drove %4 ms"_s.arg(s + 1)
                                        .arg(got.driver)
                                        .arg(got.ticks)
                                        .arg(truth.drivers[d].ticks)));
            }
        }
        engine.stop();
    }

private:
    // What the operator does with the laps the pit wall lists for checking: a lap that ends a
    // hole in a stop goes with the next, a lap far longer than the car's median is split at it.
    static void repair(model::RaceModel& race, int slot) {
        const qint64 pitStopTicks = timing::ruleTicks(race.state().rules, 1000).pitStop;
        for (int repairs = 0; repairs < 10; ++repairs) {
            const core::CarSlot& car = race.car(slot);
            const auto doubts = timing::doubtfulLaps(car.laps, car.pitStops, pitStopTicks);
            if (doubts.isEmpty()) {
                return;
            }
            // From the last, so the laps still to repair keep their numbers.
            const timing::DoubtfulLap& last = doubts.last();
            if (last.doubt == timing::LapDoubt::HoleInStop) {
                QVERIFY(!link::mergeRefusal(car, last.lapNo));
                race.mergeLaps(slot, last.lapNo, link::mergedLap(car, last.lapNo));
            } else if (last.doubt == timing::LapDoubt::Long) {
                const auto median = timing::medianLapTicks(car.laps);
                QVERIFY(median && !link::splitRefusal(car, last.lapNo, *median));
                const auto parts = link::splitLaps(car, last.lapNo, qint32(*median));
                race.splitLap(slot, last.lapNo, parts.first, parts.second);
            } else {
                QFAIL(qPrintable(
                    u"car %1 lap %2: a short lap the cars never drove"_s.arg(slot + 1).arg(
                        last.lapNo)));
            }
        }
        QFAIL("the laps to check never ran out");
    }
};

QTEST_GUILESS_MAIN(TestWifiHolesUdp)
#include "test_wifi_holes_udp.moc"
