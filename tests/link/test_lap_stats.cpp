#include "core/slot_state.h"
#include "link/figure_text.h"
#include "link/lap_stats.h"
#include "model/race_model.h"
#include "timing/time_text.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>

using kaltero::core::kNoLapTicks;
using kaltero::core::Lap;
using kaltero::core::Settings;
using kaltero::link::averageText;
using kaltero::link::bestLapText;
using kaltero::link::driverBestText;
using kaltero::link::LapStats;
using kaltero::link::predictedLapsText;
using kaltero::link::UpdateLapStats;
using kaltero::timing::FormatLapTime;
using namespace Qt::StringLiterals;

namespace {

Settings precision(int ticksPerSecond) {
    Settings s;
    s.TicksPerSecond = ticksPerSecond;
    s.FractionFormat = ticksPerSecond == 1000 ? u"000"_s : u"00"_s;
    s.MsPerTick = 1000 / ticksPerSecond;
    return s;
}

// A lap of the driver in ticks; an empty text is a lap counted but not timed, a trailing "r" a
// lap across a restart of the console.
Lap lap(const QString& driver, QString ticks) {
    Lap l;
    l.driver = driver;
    if (ticks.endsWith(u'r')) {
        l.acrossRestart = true;
        ticks.chop(1);
    }
    if (!ticks.isEmpty()) {
        l.timed = true;
        l.ticks = qint32(std::clamp(ticks.toDouble(), double(std::numeric_limits<qint32>::min()),
                                    double(std::numeric_limits<qint32>::max())));
    }
    return l;
}

// Laps of one driver "A".
QList<Lap> laps(const QStringList& ticks, const QString& driver = u"A"_s) {
    QList<Lap> out;
    for (const QString& t : ticks) {
        out << lap(driver, t);
    }
    return out;
}

// The prediction the car showed before: 3 laps.
constexpr qint64 kOldPrediction = 3;

}  // namespace

class TestLapStats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void carFigures_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<qint32>("bestTicks");
        QTest::addColumn<qint32>("bestNo");
        QTest::addColumn<QString>("bestLabel");
        QTest::addColumn<QString>("bestTxt");
        QTest::addColumn<qint32>("aveTicks");  // 0 also for none
        QTest::addColumn<QString>("aveLabel");

        QTest::newRow("earliest of equal laps is best, average truncated")
            << 1000 << QStringList{u"83000"_s, u"82500"_s, u"82500"_s} << 82500 << 2
            << u"2周目 1'22\"500"_s << u"1'22\"500"_s << 82666 << u"1'22\"666"_s;
        QTest::newRow("1000 and 1001 average 1000")
            << 1000 << QStringList{u"1000"_s, u"1001"_s} << 1000 << 1 << u"1周目 0'01\"000"_s
            << u"0'01\"000"_s << 1000 << u"0'01\"000"_s;
        QTest::newRow("1001 and 1002 average 1001")
            << 1000 << QStringList{u"1001"_s, u"1002"_s} << 1001 << 1 << u"1周目 0'01\"001"_s
            << u"0'01\"001"_s << 1001 << u"0'01\"001"_s;
        QTest::newRow("1/100") << 100 << QStringList{u"8345"_s, u"8300"_s} << 8300 << 2
                               << u"2周目 1'23\"00"_s << u"1'23\"00"_s << 8322 << u"1'23\"22"_s;
        // A row the lap count added but no report has timed yet is no lap at all.
        QTest::newRow("a row without a time is no lap")
            << 1000 << QStringList{u"83000"_s, QString(), QString(), u"81000"_s} << 81000 << 4
            << u"4周目 1'21\"000"_s << u"1'21\"000"_s << 82000 << u"1'22\"000"_s;
        QTest::newRow("only rows without a time: no lap")
            << 1000 << QStringList{QString()} << kNoLapTicks << 0 << u"-"_s << u"4473'55\"455"_s
            << 0 << u"-"_s;
        QTest::newRow("no rows: no lap") << 1000 << QStringList{} << kNoLapTicks << 0 << u"-"_s
                                         << u"4473'55\"455"_s << 0 << u"-"_s;
        // A resumed race whose clock went wrong must not make a lap of no time the best.
        QTest::newRow("negative lap is no best")
            << 1000 << QStringList{u"-5000"_s, u"85000"_s} << 85000 << 2 << u"2周目 1'25\"000"_s
            << u"1'25\"000"_s << 40000 << u"0'40\"000"_s;
        QTest::newRow("zero lap is no best")
            << 1000 << QStringList{u"0"_s, u"85000"_s} << 85000 << 2 << u"2周目 1'25\"000"_s
            << u"1'25\"000"_s << 42500 << u"0'42\"500"_s;
        QTest::newRow("laps at the no-lap value are no best")
            << 1000 << QStringList{u"268435455"_s} << kNoLapTicks << 0 << u"-"_s
            << u"4473'55\"455"_s << 268435455 << u"4473'55\"455"_s;
        // A plain 32-bit tally would overflow on these.
        QTest::newRow("sum beyond 32 bits")
            << 1000 << QStringList{u"2000000000"_s, u"2000000000"_s} << kNoLapTicks << 0 << u"-"_s
            << u"4473'55\"455"_s << 2000000000 << u"33333'20\"000"_s;
        QTest::newRow("laps at both ends of the range")
            << 1000 << QStringList{u"1e12"_s, u"-1e12"_s} << kNoLapTicks << 0 << u"-"_s
            << u"4473'55\"455"_s << 0 << u"0'00\"000"_s;
    }
    void carFigures() {
        QFETCH(int, ticksPerSecond);
        QFETCH(QStringList, cells);
        const Settings settings = precision(ticksPerSecond);
        const LapStats s = UpdateLapStats(laps(cells), u"A"_s, 600000, kOldPrediction, settings);
        QTEST(s.BestLapTicks, "bestTicks");
        QTEST(s.BestLapNo, "bestNo");
        QTEST(bestLapText(s.BestLapTicks, s.BestLapNo, settings), "bestLabel");
        QTEST(FormatLapTime(s.BestLapTicks, settings), "bestTxt");
        QTEST(s.AveLapTicks.value_or(0), "aveTicks");
        QTEST(averageText(s.AveLapTicks, settings), "aveLabel");
    }

    // A lap the console was down in holds the time it was down, by a clock it cannot trust:
    // shown and kept, but no best, average, prediction or driver figure.
    void lapAcrossARestartIsNoFigure_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<qint32>("bestTicks");
        QTest::addColumn<qint32>("bestNo");
        QTest::addColumn<qint32>("aveTicks");  // 0 also for none
        QTest::addColumn<qint32>("drvTotal");
        QTest::addColumn<qint32>("drvLaps");
        QTest::addColumn<qint64>("predicted");
        QTest::newRow("clock behind: a short lap")
            << QStringList{u"11000"_s, u"12000"_s, u"5600r"_s} << 11000 << 1 << 11500 << 23000 << 2
            << qint64(52);
        QTest::newRow("clock an hour ahead: a long lap")
            << QStringList{u"11000"_s, u"3605000r"_s, u"12000"_s} << 11000 << 1 << 11500 << 23000
            << 2 << qint64(52);
        QTest::newRow("only the lap across the restart")
            << QStringList{u"5600r"_s} << kNoLapTicks << 0 << 0 << 0 << 1 << kOldPrediction;
    }
    void lapAcrossARestartIsNoFigure() {
        QFETCH(QStringList, cells);
        const LapStats s =
            UpdateLapStats(laps(cells), u"A"_s, 600000, kOldPrediction, precision(1000));
        QTEST(s.BestLapTicks, "bestTicks");
        QTEST(s.BestLapNo, "bestNo");
        QTEST(s.AveLapTicks.value_or(0), "aveTicks");
        QTEST(s.DrvBestLapTicks, "bestTicks");
        QTEST(s.DrvTotalTicks, "drvTotal");
        QTEST(s.DrvLapCnt, "drvLaps");
        QTEST(s.PredictedLaps.value_or(-1), "predicted");
        QTEST(s.DrvAveLapTicks.value_or(0), "aveTicks");
    }

    void driverFigures_data() {
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("current");
        QTest::addColumn<qint32>("bestTicks");
        QTest::addColumn<qint32>("bestNo");
        QTest::addColumn<qint32>("totalTicks");
        QTest::addColumn<qint32>("lapCnt");
        QTest::addColumn<QString>("bestLabel");
        QTest::addColumn<QString>("aveLabel");

        QTest::newRow("1000.5 rounds to even 1000")
            << QStringList{u"A"_s, u"A"_s} << QStringList{u"1000"_s, u"1001"_s} << u"A"_s << 1000
            << 1 << 2001 << 2 << u"0'01\"000-1L"_s << u"0'01\"000"_s;
        QTest::newRow("1001.5 rounds to even 1002")
            << QStringList{u"A"_s, u"A"_s} << QStringList{u"1001"_s, u"1002"_s} << u"A"_s << 1001
            << 1 << 2003 << 2 << u"0'01\"001-1L"_s << u"0'01\"002"_s;
        QTest::newRow("only the current driver's rows")
            << QStringList{u"A"_s, u"B"_s, u"A"_s}
            << QStringList{u"83000"_s, u"80000"_s, u"82000"_s} << u"A"_s << 82000 << 3 << 165000
            << 2 << u"1'22\"000-3L"_s << u"1'22\"500"_s;
        QTest::newRow("names compare exactly")
            << QStringList{u"Taro"_s, u"Taro "_s} << QStringList{u"83000"_s, u"82000"_s}
            << u"taro"_s << kNoLapTicks << 0 << 0 << 1 << u"-"_s << u"0'00\"000"_s;
        QTest::newRow("full-width name is another name")
            << QStringList{u"太郎１"_s} << QStringList{u"83000"_s} << u"太郎1"_s << kNoLapTicks << 0
            << 0 << 1 << u"-"_s << u"0'00\"000"_s;
        QTest::newRow("no car average: driver average -")
            << QStringList{u"A"_s} << QStringList{u"0"_s} << u"A"_s << kNoLapTicks << 0 << 0 << 1
            << u"-"_s << u"-"_s;
        QTest::newRow("driver sum beyond 32 bits")
            << QStringList{u"A"_s, u"A"_s, u"A"_s}
            << QStringList{u"2000000000"_s, u"2000000000"_s, u"2000000000"_s} << u"A"_s
            << kNoLapTicks << 0 << std::numeric_limits<qint32>::max() << 3 << u"-"_s
            << u"33333'20\"000"_s;
    }
    void driverFigures() {
        QFETCH(QStringList, drivers);
        QFETCH(QStringList, cells);
        QFETCH(QString, current);
        QList<Lap> rows;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            rows << lap(drivers[i], cells[i]);
        }
        const LapStats s = UpdateLapStats(rows, current, 0, kOldPrediction, precision(1000));
        QTEST(s.DrvBestLapTicks, "bestTicks");
        QTEST(s.DrvBestLapNo, "bestNo");
        QTEST(s.DrvTotalTicks, "totalTicks");
        QTEST(s.DrvLapCnt, "lapCnt");
        QTEST(driverBestText(s.DrvBestLapTicks, s.DrvBestLapNo, precision(1000)), "bestLabel");
        QTEST(averageText(s.DrvAveLapTicks, precision(1000)), "aveLabel");
    }

    void predictedLaps_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<qint32>("remainTicks");
        QTest::addColumn<QString>("label");
        constexpr qint32 kMax = std::numeric_limits<qint32>::max();
        constexpr qint32 kMin = std::numeric_limits<qint32>::min();
        const QStringList typical{u"83000"_s, u"82500"_s, u"82500"_s};  // average 82666
        QTest::newRow("rounded down") << typical << 600000 << u"あと7周"_s;
        QTest::newRow("after the end: below zero") << typical << -5000 << u"あと-1周"_s;
        QTest::newRow("at the end") << typical << 0 << u"あと0周"_s;
        QTest::newRow("exact") << QStringList{u"82500"_s, u"82500"_s} << 165000 << u"あと2周"_s;
        QTest::newRow("exact after the end")
            << QStringList{u"82500"_s, u"82500"_s} << -165000 << u"あと-2周"_s;
        QTest::newRow("sum 0 keeps the last text")
            << QStringList{QString()} << 600000 << u"あと3周"_s;
        QTest::newRow("average truncated to 0 keeps the last text")
            << QStringList{u"1"_s, u"0"_s, u"0"_s} << 600000 << u"あと3周"_s;
        QTest::newRow("largest remaining") << QStringList{u"1"_s} << kMax << u"あと2147483647周"_s;
        QTest::newRow("lowest over a negative average")
            << QStringList{u"-1"_s} << kMin << u"あと2147483648周"_s;
    }
    void predictedLaps() {
        QFETCH(QStringList, cells);
        QFETCH(qint32, remainTicks);
        const LapStats s =
            UpdateLapStats(laps(cells), u"A"_s, remainTicks, kOldPrediction, precision(1000));
        QTEST(predictedLapsText(s.PredictedLaps), "label");
    }

    // A driver's row reads as it was timed, also after the precision changed between races;
    // before the driver's first lap it shows nothing.
    void driverRowTexts_data() {
        QTest::addColumn<int>("timedAt");
        QTest::addColumn<int>("shownAt");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("best");
        QTest::addColumn<QString>("average");
        QTest::newRow("same precision") << 1000 << 1000 << QStringList{u"83000"_s, u"82000"_s}
                                        << u"1'22\"000-2L"_s << u"1'22\"500"_s;
        QTest::newRow("timed at 1/100, shown at 1/1000")
            << 100 << 1000 << QStringList{u"8300"_s, u"8200"_s} << u"1'22\"00-2L"_s
            << u"1'22\"50"_s;
        QTest::newRow("timed at 1/1000, shown at 1/100")
            << 1000 << 100 << QStringList{u"83000"_s, u"82001"_s} << u"1'22\"001-2L"_s
            << u"1'22\"500"_s;
        QTest::newRow("no lap yet") << 1000 << 1000 << QStringList{} << QString() << QString();
    }
    void driverRowTexts() {
        QFETCH(int, timedAt);
        QFETCH(int, shownAt);
        QFETCH(QStringList, cells);
        kaltero::model::RaceModel race;
        race.chooseDriver(0, u"A"_s, u"0"_s);
        const QList<Lap> driven = laps(cells);
        for (qsizetype i = 0; i < driven.size(); ++i) {
            race.recordLap(0, int(i + 1), driven[i], 0,
                           UpdateLapStats(driven.first(i + 1), u"A"_s, 0, {}, precision(timedAt)),
                           {});
        }
        const auto texts =
            kaltero::link::driverFigureTexts(race.car(0).drivers.value(0), precision(shownAt));
        QTEST(texts.best, "best");
        QTEST(texts.average, "average");
    }
};

QTEST_APPLESS_MAIN(TestLapStats)
#include "test_lap_stats.moc"
