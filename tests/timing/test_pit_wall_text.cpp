#include "timing/pit_wall_text.h"

#include <QTest>

using namespace kaltero::timing;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

// A car 42:10 into its stint, with two stops behind it.
CarWall wallOf(std::optional<qint64> stintTicks, std::optional<qint64> left, qint32 stops) {
    CarWall w;
    if (stintTicks) {
        w.stint = Stint{u"A"_s, 1, 5, *stintTicks};
    }
    w.stintLeftTicks = left;
    w.pitStops = stops;
    if (stops > 0) {
        w.lastStopTicks = 65'000;
        w.sinceLastStopTicks = 750'000;
    }
    return w;
}

}  // namespace

class TestPitWallText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wallTimes_data() {
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << 1000 << u"0:00"_s;
        QTest::newRow("under a second") << qint64(999) << 1000 << u"0:00"_s;
        QTest::newRow("1:05") << qint64(65'000) << 1000 << u"1:05"_s;
        QTest::newRow("59:59") << qint64(3'599'999) << 1000 << u"59:59"_s;
        QTest::newRow("an hour") << qint64(3'600'000) << 1000 << u"1:00:00"_s;
        QTest::newRow("1:02:05") << qint64(3'725'000) << 1000 << u"1:02:05"_s;
        QTest::newRow("1/100") << qint64(6'500) << 100 << u"1:05"_s;
        QTest::newRow("negative") << qint64(-130'000) << 1000 << u"-2:10"_s;
        QTest::newRow("26 hours") << qint64(93'600'000) << 1000 << u"26:00:00"_s;
    }
    void wallTimes() {
        QFETCH(qint64, ticks);
        QFETCH(int, ticksPerSecond);
        QFETCH(QString, text);
        QCOMPARE(wallTime(ticks, ticksPerSecond), text);
    }

    void carLines_data() {
        QTest::addColumn<std::optional<qint64>>("stint");
        QTest::addColumn<std::optional<qint64>>("left");
        QTest::addColumn<int>("stops");
        QTest::addColumn<int>("minStops");
        QTest::addColumn<QString>("stintLine");
        QTest::addColumn<QString>("stopsLine");
        using O = std::optional<qint64>;
        QTest::newRow("within the maximum")
            << O(2'530'000) << O(1'070'000) << 2 << 0 << u"スティント 42:10 残り 17:50"_s
            << u"ピット 2回 1:05 12:30前"_s;
        QTest::newRow("past the maximum") << O(3'730'000) << O(-130'000) << 0 << 0
                                          << u"スティント 1:02:10 超過 2:10"_s << u"ピット 0回"_s;
        QTest::newRow("no maximum, a least stop count")
            << O(2'530'000) << O() << 1 << 3 << u"スティント 42:10"_s
            << u"ピット 1/3回 1:05 12:30前"_s;
        QTest::newRow("before the first lap")
            << O() << O() << 0 << 0 << QString() << u"ピット 0回"_s;
    }
    // A stint with a lap the console was down in: its time is shown as what is known of it.
    void stintWithUnknownTime() {
        CarWall wall = wallOf(2'530'000, 1'070'000, 0);
        wall.stint->unknownTime = true;
        QCOMPARE(stintText(wall, 1000), u"スティント 42:10+不明 残り 17:50"_s);
    }

    void carLines() {
        QFETCH(std::optional<qint64>, stint);
        QFETCH(std::optional<qint64>, left);
        QFETCH(int, stops);
        QFETCH(int, minStops);
        QFETCH(QString, stintLine);
        QFETCH(QString, stopsLine);
        const CarWall wall = wallOf(stint, left, stops);
        QCOMPARE(stintText(wall, 1000), stintLine);
        QCOMPARE(stopsText(wall, 1000, minStops), stopsLine);
    }

    // While the car is in the pit, its stop line counts the stop against the minimum.
    void inPitLine_data() {
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<qint64>("minTicks");
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<QString>("line");
        QTest::newRow("against the minimum")
            << qint64(25'000) << qint64(60'000) << 1000 << u"ピット中 0:25 / 最小 1:00"_s;
        QTest::newRow("no minimum") << qint64(25'000) << qint64(0) << 1000 << u"ピット中 0:25"_s;
        QTest::newRow("at 1/100") << qint64(2'500) << qint64(6'000) << 100
                                  << u"ピット中 0:25 / 最小 1:00"_s;
    }
    void inPitLine() {
        QFETCH(qint64, ticks);
        QFETCH(qint64, minTicks);
        QFETCH(int, ticksPerSecond);
        CarWall wall = wallOf(std::nullopt, std::nullopt, 2);
        wall.inPit = InPit{ticks, minTicks};
        QTEST(stopsText(wall, ticksPerSecond, 3), "line");
    }

    void fuelLaps() {
        QCOMPARE(fuelLapsText(FuelLaps{20, 30}), u"あと 20 周 30周目まで"_s);
        QCOMPARE(fuelLapsText(FuelLaps{0, 12}), u"あと 0 周 12周目まで"_s);
        QCOMPARE(fuelLapsText(std::nullopt), QString());
    }

    void raceTimes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint64>>("seconds");
        using O = std::optional<qint64>;
        QTest::newRow("h:mm:ss") << u"1:02:05"_s << O(3725);
        QTest::newRow("m:ss") << u"2:05"_s << O(125);
        QTest::newRow("seconds") << u"90"_s << O(90);
        QTest::newRow("blanks") << u" 0:10:00 "_s << O(600);
        QTest::newRow("full width") << u"１:００:００"_s << O(3600);
        QTest::newRow("seconds 75") << u"1:75"_s << O();
        QTest::newRow("one digit after a colon") << u"1:5"_s << O();
        QTest::newRow("four fields") << u"1:00:00:00"_s << O();
        QTest::newRow("empty") << QString() << O();
        QTest::newRow("negative") << u"-5"_s << O();
        QTest::newRow("word") << u"abc"_s << O();
    }
    void raceTimes() {
        QFETCH(QString, text);
        QFETCH(std::optional<qint64>, seconds);
        QCOMPARE(raceTimeSeconds(text), seconds);
    }

    void typedStops_data() {
        QTest::addColumn<QString>("lap");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("lapNo");
        QTest::addColumn<int>("startTick");
        QTest::addColumn<int>("endTick");
        QTest::newRow("ms") << u"12"_s << u"1:02:05"_s << u"45"_s << 1000 << true << 12 << 3'725'000
                            << 3'770'000;
        QTest::newRow("1/100") << u"3"_s << u"10:00"_s << u"30"_s << 100 << true << 3 << 60'000
                               << 63'000;
        QTest::newRow("no length")
            << u"3"_s << u"10:00"_s << u"0"_s << 1000 << true << 3 << 600'000 << 600'000;
        QTest::newRow("lap 0") << u"0"_s << u"10:00"_s << u"30"_s << 1000 << false << 0 << 0 << 0;
        QTest::newRow("bad start")
            << u"3"_s << u"10:75"_s << u"30"_s << 1000 << false << 0 << 0 << 0;
        QTest::newRow("bad length")
            << u"3"_s << u"10:00"_s << u"1.5"_s << 1000 << false << 0 << 0 << 0;
        QTest::newRow("beyond the counter")
            << u"3"_s << u"600:00:00"_s << u"30"_s << 1000 << false << 0 << 0 << 0;
    }
    void typedStops() {
        QFETCH(QString, lap);
        QFETCH(QString, start);
        QFETCH(QString, seconds);
        QFETCH(int, ticksPerSecond);
        QFETCH(bool, taken);
        QFETCH(int, lapNo);
        QFETCH(int, startTick);
        QFETCH(int, endTick);
        const auto stop = typedStop(lap, start, seconds, ticksPerSecond);
        QCOMPARE(stop.has_value(), taken);
        if (taken) {
            QVERIFY((*stop == kaltero::core::PitStop{lapNo, startTick, endTick, true}));
        }
    }
};

QTEST_GUILESS_MAIN(TestPitWallText)
#include "test_pit_wall_text.moc"
