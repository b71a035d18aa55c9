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
    // The stop line ends with what the car must still do: the stops out of reach, the latest lap.
    void stopsLineEnds() {
        CarWall wall = wallOf(2'530'000, 1'070'000, 1);
        wall.stopsOutOfReach = true;
        wall.latestPitLap = 57;
        QCOMPARE(stopsText(wall, 1000, 3),
                 u"ピット 1/3回 1:05 12:30前 最少ピット未達 最遅ピット 57周目"_s);
        QCOMPARE(latestPitText(wall), u"最遅ピット 57周目"_s);
        QCOMPARE(latestPitText(CarWall{}), QString());
    }

    // A stop the operator enters for a car on lap 5 (4 closed) at 0:10:00, with a stop on lap 3
    // from 0:05:00 for 40 s.
    void stopRefusals_data() {
        QTest::addColumn<int>("lap");
        QTest::addColumn<qint32>("start");  // seconds from the start
        QTest::addColumn<qint32>("length");
        QTest::addColumn<bool>("correcting");  // the stop on lap 3 itself
        QTest::addColumn<QString>("refusal");
        QTest::newRow("fits") << 4 << 400 << 30 << false << QString();
        QTest::newRow("on the lap being driven") << 5 << 560 << 30 << false << QString();
        QTest::newRow("lap beyond the car's")
            << 6 << 400 << 30 << false << u"周は 5 周目までで入力してください。"_s;
        QTest::newRow("no length")
            << 4 << 400 << 0 << false << u"時間は１秒以上で入力してください。"_s;
        QTest::newRow("ends after now")
            << 5 << 590 << 30 << false
            << u"ピットストップが現在より後に終わっています。開始と時間を確かめてください。"_s;
        QTest::newRow("overlaps the other stop")
            << 3 << 320 << 30 << false
            << u"3周目のピットストップ (0:05:00 から 0:40) と重なっています。"_s;
        QTest::newRow("ends as the other starts") << 3 << 270 << 30 << false << QString();
        QTest::newRow("a correction overlaps itself") << 3 << 320 << 30 << true << QString();
    }
    void stopRefusals() {
        QFETCH(int, lap);
        QFETCH(qint32, start);
        QFETCH(qint32, length);
        QFETCH(bool, correcting);
        QFETCH(QString, refusal);
        kaltero::core::CarSlot car;
        car.LapCnt = 4;
        car.pitStops.append({3, 300'000, 340'000, false});
        const kaltero::core::PitStop stop{lap, start * 1000, (start + length) * 1000, true};
        QCOMPARE(stopRefusal(car, stop, correcting ? std::optional<qsizetype>(0) : std::nullopt,
                             600'000, 1000)
                     .value_or(QString()),
                 refusal);
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
