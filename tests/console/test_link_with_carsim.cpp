#include "car_sim.h"
#include "live_console.h"
#include "platform/udp_link.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTest>

using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::carsim::LapResult;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

constexpr int kTicksColumn = 4;
constexpr int kTimeColumn = 1;

// How far a lap the console records may lie from the interval the car measured:
//  - the console counts whole ticks, so each end of a lap is cut by less than one tick;
//  - the simulator reads its clock in whole milliseconds: less than 1 ms more;
//  - the report the car times at one end of the lap reaches the console's handler a little
//    later (loopback, then its turn on the shared event loop behind other cars' reports and
//    timers); only the difference between the two ends counts, which on an idle loop is well
//    under a millisecond. 3 ms leaves room for a busy two-core machine without hiding a
//    lap that is timed from the wrong report (those are off by the report interval, 100 ms).
constexpr int kDeliverySlackMs = 3;

}  // namespace

class TestLinkWithCarsim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyLapMatchesTheCarsOwnInterval_data() {
        QTest::addColumn<QString>("precision");
        QTest::addColumn<int>("msPerTick");
        QTest::addColumn<int>("laps");
        QTest::newRow("1/1000, five cars") << QStringLiteral("1/1000") << 1 << 5;
        QTest::newRow("1/100, five cars") << QStringLiteral("1/100") << 10 << 4;
    }

    void everyLapMatchesTheCarsOwnInterval() {
        QFETCH(QString, precision);
        QFETCH(int, msPerTick);
        QFETCH(int, laps);

        LiveConsole live(1, precision);
        QVERIFY(live.ready());
        QCOMPARE(live.console.settings.NoCommSeconds, 1);
        QCOMPARE(live.console.settings.MsPerTick, msPerTick);
        live.registerSlots({0, 1, 2, 3, 4});

        // Every report the console handles, per slot: the cars must be heard on their own port.
        QHash<int, int> reportsHandled;
        for (int s = 0; s < 5; ++s) {
            connect(live.console.sockets.car[s].get(), &kaltero::platform::UdpLink::dataArrival,
                    this, [&reportsHandled, s] { ++reportsHandled[s]; });
        }

        CarSimOptions options;
        options.cars = {1, 2, 3, 4, 5};
        options.laps = laps;
        options.inRangeMs = 400;
        options.intervalMs = 100;
        // Well past the 1 s limit plus the 99 ms lap timer, yet short of two limits.
        options.silenceMs = 1500;
        CarSim sim(options);

        // The console times lap 1 from its Start, the simulator from its own start: the gap
        // between the two is at most what this span measures.
        QElapsedTimer startSpan;
        startSpan.start();
        live.pressStart();
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const qint64 startGapMs = startSpan.elapsed();
        QVERIFY(live.timing());

        QVERIFY(runUntil([&] { return sim.isFinished(); }, options.effectiveTimeoutMs() + 2000));
        const auto& result = sim.result();
        QVERIFY2(result.problems.isEmpty(), qPrintable(result.problems.join(u'\n')));
        QVERIFY2(!result.malformed, "a reply was not well formed");
        QVERIFY(result.completed);
        QCOMPARE(result.laps.size(), 5 * laps);

        const int boundMs = msPerTick + 1 + kDeliverySlackMs;
        qint64 worstMs = 0;
        for (const LapResult& lap : result.laps) {
            const int s = lap.car - 1;
            const QString where = QStringLiteral("car %1 lap %2").arg(lap.car).arg(lap.lap);
            auto* grid = live.ui().Car[s]->Spd_Laps;
            QVERIFY2(lap.lap >= 1 && lap.lap <= grid->rowCount(), qPrintable(where));
            bool isNumber = false;
            const qint64 ticks = grid->cellText(kTicksColumn, lap.lap).toLongLong(&isNumber);
            QVERIFY2(isNumber, qPrintable(where + u": no ticks in the lap grid"));
            QVERIFY2(!grid->cellText(kTimeColumn, lap.lap).isEmpty(), qPrintable(where));
            // What the car was told is what the grid holds.
            QCOMPARE(lap.consoleMs, ticks * msPerTick);

            const qint64 errorMs = ticks * msPerTick - lap.measuredMs;
            // Lap 1 began at the console's Start, up to startGapMs before the car's clock began.
            const qint64 high = lap.fromSimulatorStart ? boundMs + startGapMs : boundMs;
            QVERIFY2(errorMs >= -boundMs && errorMs <= high,
                     qPrintable(QStringLiteral("%1: console %2 ms, car %3 ms, bound %4 ms")
                                    .arg(where)
                                    .arg(ticks * msPerTick)
                                    .arg(lap.measuredMs)
                                    .arg(boundMs)));
            if (!lap.fromSimulatorStart) {
                worstMs = std::max(worstMs, std::abs(errorMs));
            }
        }
        for (int s = 0; s < 5; ++s) {
            // Laps 1..laps in order, each one once; one more empty row at most, counted by the
            // silence that follows the last pass.
            QVERIFY(live.ui().Car[s]->Spd_Laps->rowCount() >= laps);
            QVERIFY(live.ui().Car[s]->Spd_Laps->rowCount() <= laps + 1);
            QVERIFY(reportsHandled.value(s) > laps);
        }
        qInfo("%d laps; worst difference after lap 1: %lld ms (bound %d ms); Start gap %lld ms",
              int(result.laps.size()), worstMs, boundMs, startGapMs);
    }
};

QTEST_MAIN(TestLinkWithCarsim)
#include "test_link_with_carsim.moc"
