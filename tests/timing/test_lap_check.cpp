#include "timing/lap_check.h"

#include <QTest>

using namespace kaltero;
using timing::DoubtfulLap;
using timing::LapDoubt;

using Ticks = QList<qint32>;
using Doubts = QList<DoubtfulLap>;

class TestLapCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Laps of the given times; `stopLap` (0: none) ended a 25 s contact period (the stop
    // threshold is 20 s), the next lap's silence was `silence`; `restartLap` spans a restart.
    void doubtfulLaps_data() {
        QTest::addColumn<Ticks>("ticks");
        QTest::addColumn<int>("stopLap");
        QTest::addColumn<qint32>("silence");
        QTest::addColumn<int>("restartLap");
        QTest::addColumn<Doubts>("doubts");
        QTest::newRow("clean") << Ticks{60000, 61000, 59000} << 0 << 0 << 0 << Doubts{};
        QTest::newRow("short") << Ticks{60000, 60000, 35000, 60000} << 0 << 0 << 0
                               << Doubts{{3, LapDoubt::Short}};
        QTest::newRow("60 % is no doubt")
            << Ticks{60000, 60000, 60000, 36000} << 0 << 0 << 0 << Doubts{};
        QTest::newRow("long") << Ticks{60000, 60000, 97000} << 0 << 0 << 0
                              << Doubts{{3, LapDoubt::Long}};
        QTest::newRow("long for the stop in it")
            << Ticks{60000, 60000, 60000, 97000} << 3 << 55000 << 0 << Doubts{};
        QTest::newRow("160 % is no doubt") << Ticks{60000, 60000, 96000} << 0 << 0 << 0 << Doubts{};
        QTest::newRow("hole in a stop")
            << Ticks{60000, 60000, 60000} << 1 << 7500 << 0 << Doubts{{2, LapDoubt::HoleInStop}};
        QTest::newRow("out-lap after a stop")
            << Ticks{60000, 60000, 60000} << 1 << 55000 << 0 << Doubts{};
        QTest::newRow("lap across a restart")
            << Ticks{60000, 60000, 5000} << 0 << 0 << 3 << Doubts{};
    }
    void doubtfulLaps() {
        QFETCH(Ticks, ticks);
        QFETCH(int, stopLap);
        QFETCH(qint32, silence);
        QFETCH(int, restartLap);
        QList<core::Lap> laps;
        qint32 end = 0;
        for (qint32 t : ticks) {
            end += t;
            core::Lap lap;
            lap.timed = true;
            lap.ticks = t;
            lap.endTick = end;
            lap.contactLastTick = end + 2000;
            lap.contactReports = 5;
            lap.silenceTicks = t - 2000;
            laps.append(lap);
        }
        if (stopLap > 0) {
            laps[stopLap - 1].contactLastTick = laps[stopLap - 1].endTick + 25000;
            laps[stopLap].silenceTicks = silence;
        }
        if (restartLap > 0) {
            laps[restartLap - 1].acrossRestart = true;
        }
        // The stop after lap `stopLap` stands in the next lap.
        QList<core::PitStop> stops;
        if (stopLap > 0) {
            stops.append(
                {stopLap + 1, laps[stopLap - 1].endTick, laps[stopLap - 1].contactLastTick, false});
        }
        QTEST(timing::doubtfulLaps(laps, stops, 20000), "doubts");
    }
};

QTEST_GUILESS_MAIN(TestLapCheck)
#include "test_lap_check.moc"
