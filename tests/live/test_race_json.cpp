#include "live/race_json.h"
#include "model/race_model.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::core::Lap;
using kaltero::core::Settings;
using kaltero::live::lapObject;
using kaltero::live::pageText;
using kaltero::live::raceHead;
using kaltero::live::RaceMoment;
using kaltero::model::Figures;
using kaltero::model::RaceModel;

namespace {

// The head with every car's laps in it, as a page holds the race.
QJsonObject pageRace(const RaceModel& m, const Settings& s, const RaceMoment& at) {
    QJsonObject race = raceHead(m, s, at);
    QJsonArray cars;
    for (const QJsonValue& value : race.value(u"cars"_s).toArray()) {
        QJsonObject car = value.toObject();
        const auto& slot = m.state().car.at(car.value(u"slot"_s).toInt() - 1);
        QJsonArray laps;
        for (qsizetype i = 0; i < slot.laps.size(); ++i) {
            laps.append(lapObject(slot.laps[i], int(i + 1), m.state().RaceStartTime, s));
        }
        car.insert(u"laps"_s, laps);
        cars.append(car);
    }
    race.insert(u"cars"_s, cars);
    return race;
}

const QDateTime kStart = QDateTime::fromMSecsSinceEpoch(1'765'000'000'000, Qt::UTC);

enum Race {
    Empty,
    SetUp,
    Counted,
    Recorded,
    TwoCars,
    Ended,
    LongTexts,
    Endurance,
    InPit,
    InPitNoMinimum
};

// A car that sends tens of kilobytes in each report.
const QString kLongText(60'000, u'x');

// A lap closed at `endTick` after `ticks`, with the car's figures as the console works them out.
void record(RaceModel& m, int slot, int lapNo, qint32 ticks, qint32 endTick,
            const QString& driver = u"山田"_s) {
    Lap lap;
    lap.timed = true;
    lap.ticks = ticks;
    lap.driver = driver;
    lap.endTick = endTick;
    Figures f;
    f.BestLapTicks = ticks;
    f.BestLapNo = lapNo;
    f.AveLapTicks = ticks;
    f.PredictedLaps = 40;
    m.recordLap(slot, lapNo, lap, endTick, f, {});
}

// Laps of 85 s, 95 s (a 25 s stop in it) and 200 s, the last by 佐藤, who drives on; 鈴木 is
// in the driver table but has not driven, nor has 田中 of the driver list. 110 s of the race
// are left.
void buildEndurance(RaceModel& m) {
    m.setAddress(1, u"10.0.0.2"_s, true);
    m.chooseCar(1, u"ZZ"_s, u"60"_s, 60.0F, 2000.0F);
    m.listDriverEntries(1, {u"佐藤"_s, u"田中"_s});
    m.chooseCourse(u"C"_s, 4000);
    m.setRules({.PitStopSeconds = 20,
                .MaxStintMinutes = 3,
                .MaxDrivingMinutes = 3,
                .MinDrivingMinutes = 5,
                .MinPitStopSeconds = 30,
                .MinPitStops = 2});
    m.start(kStart, kStart.addSecs(3600));
    m.refuel(1, 60.0F);
    qint32 end = 0;
    for (const auto& [ticks, driver] :
         {std::pair{85'000, u"山田"_s}, {95'000, u"山田"_s}, {200'000, u"佐藤"_s}}) {
        m.countLap(1, {});
        end += ticks;
        record(m, 1, m.state().car[1].LapCnt, ticks, end, driver);
        m.reportHandled(1, end);
    }
    m.recordPitStop(1, {2, 100'000, 125'000, false});
    m.chooseDriver(1, u"鈴木"_s, {});
    m.chooseDriver(1, u"佐藤"_s, {});
    m.updateClock(110'000);
}

void build(RaceModel& m, Race race) {
    if (race == Empty) {
        return;
    }
    if (race == Endurance || race == InPit || race == InPitNoMinimum) {
        buildEndurance(m);
        if (race == InPitNoMinimum) {
            kaltero::core::RaceRules rules = m.state().rules;
            rules.MinPitStopSeconds = 0;
            m.setRules(rules);
        }
        if (race != Endurance) {
            m.enterPit(1, 380'000);  // in reach since the end of lap 3
        }
        return;
    }
    m.setAddress(1, u"10.0.0.2"_s, true);
    m.chooseCar(1, u"ZZ"_s, u"60"_s, 60.0F, 2000.0F);
    if (race == TwoCars) {
        m.setAddress(3, u"10.0.0.4"_s, true);
    }
    if (race == SetUp) {
        return;
    }
    m.start(kStart, race == Ended ? std::optional(kStart.addSecs(3600)) : std::nullopt);
    m.countLap(1, u"0"_s);
    if (race == Counted || race == Ended) {
        return;
    }
    if (race == LongTexts) {
        Lap lap;
        lap.log = u"OK, "_s + kLongText;
        m.recordLap(1, 1, lap, 85'000, {}, {});
        m.showMessage(1, kLongText);
        return;
    }
    record(m, 1, 1, 85'000, 85'000);
    if (race == TwoCars) {
        m.countLap(3, u"0"_s);
        record(m, 3, 1, 84'000, 84'100);
        m.countLap(1, u"0"_s);
    }
}

QJsonValue at(QJsonValue v, const QString& path) {
    for (const QString& part : path.split(u'/')) {
        bool index = false;
        const int i = part.toInt(&index);
        v = index ? v.toArray().at(i) : v.toObject().value(part);
    }
    return v;
}

QString compact(const QJsonValue& v) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

}  // namespace

class TestRaceJson : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fields_data() {
        QTest::addColumn<int>("race");
        QTest::addColumn<QString>("precision");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("json");
        const auto row = [](const char* name, Race r, const QString& path, const QString& json,
                            const QString& precision = u"1/1000"_s) {
            QTest::newRow(name) << int(r) << precision << path << json;
        };
        row("nothing set up", Empty, u"cars"_s, u"[]"_s);
        row("no start yet", SetUp, u"clock/start"_s, u"null"_s);
        row("set-up car shown before start", SetUp, u"cars/0/slot"_s, u"2"_s);
        row("not timing before start", SetUp, u"timing"_s, u"false"_s);
        row("timing after start", Counted, u"timing"_s, u"true"_s);
        row("start on the wall clock", Counted, u"clock/start"_s, u"1765000000000"_s);
        row("elapsed from the ticks", Counted, u"clock/elapsedMs"_s, u"5000"_s);
        row("elapsed at 1/100", Counted, u"clock/elapsedMs"_s, u"50000"_s, u"1/100"_s);
        row("no length: no end", Counted, u"clock/end"_s, u"null"_s);
        row("no length: no remaining", Counted, u"clock/remainingMs"_s, u"null"_s);
        row("end of the race", Ended, u"clock/end"_s, u"1765003600000"_s);
        row("remaining by the wall clock", Ended, u"clock/remainingMs"_s, u"3590000"_s);
        row("counted lap has no time", Counted, u"cars/0/laps/0"_s,
            u"{\"check\":false,\"corrected\":false,\"driver\":\"\",\"edited\":false,\"end\":null,\"lap\":1,\"log\":\"\",\"ms\":null,\"remarks\":\"\",\"time\":\"\"}"_s);
        row("counted lap is the current one", Counted, u"cars/0/currentLap"_s, u"1"_s);
        row("no figures before a lap", Counted, u"cars/0/bestMs"_s, u"null"_s);
        row("recorded lap", Recorded, u"cars/0/laps/0"_s,
            u"{\"check\":false,\"corrected\":false,\"driver\":\"山田\",\"edited\":false,\"end\":1765000085000,\"lap\":1,\"log\":\"\",\"ms\":85000,\"remarks\":\"\",\"time\":\"1'25\\\"000\"}"_s);
        row("recorded lap at 1/100 in ms", Recorded, u"cars/0/laps/0/ms"_s, u"850000"_s,
            u"1/100"_s);
        row("last lap", Recorded, u"cars/0/lastMs"_s, u"85000"_s);
        row("best lap number", Recorded, u"cars/0/bestLap"_s, u"1"_s);
        row("average text", Recorded, u"cars/0/average"_s, u"\"1'25\\\"000\""_s);
        row("predicted laps", Recorded, u"cars/0/predictedLaps"_s, u"\"あと40周\""_s);
        row("fuel without a course", Recorded, u"cars/0/fuel"_s, u"null"_s);
        // Slot 2 has counted its second lap, slot 4 is on it: the better best leads.
        row("same lap: better best leads", TwoCars, u"standings/0/slot"_s, u"4"_s);
        row("same lap: no gap", TwoCars, u"standings/1/gapLaps"_s, u"0"_s);
        row("laps counted", TwoCars, u"standings/1/laps"_s, u"2"_s);
        row("cars in slot order", TwoCars, u"cars/1/slot"_s, u"4"_s);
        // The page gets no more of a car's text than the console shows of a message.
        row("lap log cut", LongTexts, u"cars/0/laps/0/log"_s,
            u"\"OK, "_s + kLongText.left(508) + u"\""_s);
        row("message cut", LongTexts, u"cars/0/messageIn"_s,
            u"\""_s + kLongText.left(256) + u"\""_s);
        row("rules in ms", Endurance, u"rules"_s,
            u"{\"maxDrivingMs\":180000,\"maxStintMs\":180000,\"minDrivingMs\":300000,\"minPitStopMs\":30000,\"minPitStops\":2,\"pitStopMs\":20000,\"pitTimeRule\":0}"_s);
        row("rules not used", Recorded, u"rules"_s,
            u"{\"maxDrivingMs\":null,\"maxStintMs\":null,\"minDrivingMs\":null,\"minPitStopMs\":null,\"minPitStops\":null,\"pitStopMs\":20000,\"pitTimeRule\":0}"_s);
        row("stop shorter than the minimum", Endurance, u"cars/0/pitStops"_s,
            u"[{\"byOperator\":false,\"endMs\":1765000125000,\"lap\":2,\"lengthMs\":25000,\"short\":true,\"startMs\":1765000100000}]"_s);
        row("no stops", Recorded, u"cars/0/pitStops"_s, u"[]"_s);
        row("not in the pit", Endurance, u"cars/0/inPit"_s, u"null"_s);
        row("in the pit", InPit, u"cars/0/inPit"_s,
            u"{\"minMetAtMs\":1765000410000,\"startMs\":1765000380000}"_s);
        row("in the pit at 1/100", InPit, u"cars/0/inPit"_s,
            u"{\"minMetAtMs\":1765003830000,\"startMs\":1765003800000}"_s, u"1/100"_s);
        row("in the pit without a minimum", InPitNoMinimum, u"cars/0/inPit/minMetAtMs"_s,
            u"null"_s);
        // The lap being driven counts with the time it has run (none yet at this moment).
        row("stint from the driver change", Endurance, u"cars/0/stint"_s,
            u"{\"driver\":\"佐藤\",\"laps\":2,\"leftMs\":-20000,\"ms\":200000}"_s);
        row("stint past the maximum", Endurance, u"cars/0/stintAlert"_s, u"\"passed\""_s);
        row("no maximum: no stint time left", Recorded, u"cars/0/stint/leftMs"_s, u"null"_s);
        row("no stint before the first lap", SetUp, u"cars/0/stint"_s, u"null"_s);
        row("fuel laps", Endurance, u"cars/0/fuelLaps"_s, u"{\"inByLap\":30,\"laps\":27}"_s);
        row("no fuel laps without a course", Recorded, u"cars/0/fuelLaps"_s, u"null"_s);
        row("driver not driven yet", Endurance, u"cars/0/drivers/0"_s,
            u"{\"average\":\"\",\"best\":\"\",\"drivingMs\":0,\"laps\":0,\"missesMin\":true,\"name\":\"鈴木\",\"overMax\":\"none\",\"stints\":0}"_s);
        row("driver past the maximum", Endurance, u"cars/0/drivers/1/overMax"_s, u"\"passed\""_s);
        // 佐藤 alone could reach the minimum (100 s missing), not with 鈴木 (300 s) in 110 s.
        row("minimum judged with the other drivers", Endurance, u"cars/0/drivers/1/missesMin"_s,
            u"true"_s);
        // 山田 drove two stints without a row in the driver table; the stop is no one's time.
        row("driver of laps only", Endurance, u"cars/0/drivers/2"_s,
            u"{\"average\":\"\",\"best\":\"\",\"drivingMs\":155000,\"laps\":2,\"missesMin\":true,\"name\":\"山田\",\"overMax\":\"near\",\"stints\":2}"_s);
        row("driver of the driver list not driven yet", Endurance, u"cars/0/drivers/3/name"_s,
            u"\"田中\""_s);
        // The stint maximum (3:00) is passed: in on the lap just closed; the fuel lasts longer.
        row("latest lap to pit", Endurance, u"cars/0/latestPitLap"_s, u"3"_s);
        row("no latest lap without a limit", Recorded, u"cars/0/latestPitLap"_s, u"null"_s);
        // One more stop of 30 s and a lap (median 95 s) does not fit in the 110 s left.
        row("least stop count out of reach", Endurance, u"cars/0/pitStopsOutOfReach"_s, u"true"_s);
    }
    void fields() {
        QFETCH(int, race);
        QFETCH(QString, precision);
        QFETCH(QString, path);
        QFETCH(QString, json);
        RaceModel m;
        build(m, Race(race));
        Settings s;
        s.Precision = precision;
        s.derive();
        const RaceMoment moment{kStart.toMSecsSinceEpoch() + 10'000, 5'000};
        QCOMPARE(compact(at(pageRace(m, s, moment), path)), json);
    }

    // Every figure in ms, at 1/1000 (a tick is 1 ms) and at 1/100 (a tick is 10 ms): a figure
    // left in ticks passes at 1/1000 and shows a tenth at 1/100. The rules and the wall clock
    // are in ms whatever the precision; the stint time left is the maximum less the ticks.
    void msFieldsAtBothPrecisions_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("at1000");
        QTest::addColumn<double>("at100");
        const double start = double(kStart.toMSecsSinceEpoch());
        const auto row = [](const char* path, double at1000, double at100) {
            QTest::newRow(path) << QString::fromUtf8(path) << at1000 << at100;
        };
        row("clock/elapsedMs", 5000, 50000);
        row("clock/remainingMs", 3590000, 3590000);
        row("cars/0/laps/0/ms", 85000, 850000);
        row("cars/0/laps/0/end", start + 85000, start + 850000);
        row("cars/0/lastMs", 200000, 2000000);
        row("cars/0/bestMs", 200000, 2000000);
        row("cars/0/averageMs", 200000, 2000000);
        row("standings/0/bestMs", 200000, 2000000);
        row("standings/0/lastMs", 200000, 2000000);
        row("cars/0/pitStops/0/startMs", start + 100000, start + 1000000);
        row("cars/0/pitStops/0/endMs", start + 125000, start + 1250000);
        row("cars/0/pitStops/0/lengthMs", 25000, 250000);
        row("cars/0/stint/ms", 200000, 2000000);
        row("cars/0/stint/leftMs", -20000, -1820000);
        row("cars/0/drivers/1/drivingMs", 200000, 2000000);
        row("rules/pitStopMs", 20000, 20000);
        row("rules/maxStintMs", 180000, 180000);
        row("rules/maxDrivingMs", 180000, 180000);
        row("rules/minDrivingMs", 300000, 300000);
        row("rules/minPitStopMs", 30000, 30000);
    }
    void msFieldsAtBothPrecisions() {
        QFETCH(QString, path);
        QFETCH(double, at1000);
        QFETCH(double, at100);
        RaceModel m;
        buildEndurance(m);
        for (const auto& [precision, ms] : {std::pair{u"1/1000"_s, at1000}, {u"1/100"_s, at100}}) {
            Settings s;
            s.Precision = precision;
            s.derive();
            const RaceMoment moment{kStart.toMSecsSinceEpoch() + 10'000, 5'000};
            const QJsonValue value = at(pageRace(m, s, moment), path);
            QVERIFY2(value.isDouble(), qPrintable(precision));
            QCOMPARE(value.toDouble(), ms);
        }
    }

    // A car's text reaches a page without what could upset it, and no longer than shown.
    void pageTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("page");
        QTest::newRow("plain") << u"ピットイン"_s << 256 << u"ピットイン"_s;
        QTest::newRow("line ends and escape") << u"OK\r\n\x1b[2J"_s << 256 << u"OK[2J"_s;
        QTest::newRow("NUL and DEL") << QStringView(
                                            u"a\0b\x7f\x85"
                                            u"c",
                                            6)
                                            .toString()
                                     << 256 << u"abc"_s;
        QTest::newRow("cut after dropping") << u"\t\t\tabcdef"_s << 3 << u"abc"_s;
        QTest::newRow("empty") << QString() << 256 << QString();
    }
    void pageTexts() {
        QFETCH(QString, text);
        QFETCH(int, max);
        QFETCH(QString, page);
        QCOMPARE(pageText(text, max), page);
    }
};

QTEST_GUILESS_MAIN(TestRaceJson)
#include "test_race_json.moc"
