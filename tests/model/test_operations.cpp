#include "model/operations.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kaltero::model::Change)

namespace {

// What an operation carries, as the journal stores it.
QByteArray json(const QVariantMap& args) {
    return QJsonDocument(QJsonObject::fromVariantMap(args)).toJson(QJsonDocument::Compact);
}

QVariantMap fromJson(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object().toVariantMap();
}

QByteArray written(const model::Change& change) {
    return json(model::argsOf(change));
}

const core::Lap kLap{.timed = true,
                     .ticks = 83000,
                     .editText = u"1'23\"000"_s,
                     .driver = u"山田"_s,
                     .remarks = {},
                     .log = u"OK"_s,
                     .corrected = false,
                     .edited = true,
                     .endTick = 166000,
                     .contactLastTick = 168000,
                     .contactReports = 3,
                     .silenceTicks = 0,
                     .acrossRestart = true};
const QByteArray kLapJson =
    "{\"acrossRestart\":true,\"contactLastTick\":168000,\"contactReports\":3,\"corrected\":false,"
    "\"driver\":\"山田\",\"editText\":\"1'23\\\"000\",\"edited\":true,\"endTick\":166000,"
    "\"log\":\"OK\",\"remarks\":\"\",\"silenceTicks\":0,\"ticks\":83000,\"timed\":true}";

}  // namespace

class TestOperations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every operation is written as journals hold it, and reads back as it was written.
    void writtenAndReadBack_data() {
        QTest::addColumn<model::Change>("change");
        QTest::addColumn<QByteArray>("stored");
        namespace op = model::op;
        const auto row = [](const char* name, const auto& record) -> QTestData& {
            return QTest::newRow(name) << model::changeOf(record);
        };
        core::RaceRules rules;
        rules.MaxStintMinutes = 60;
        rules.StintMessage = u"BOX"_s;
        model::RaceSetUp courseOnly;
        courseOnly.course = u"鈴鹿"_s;
        row("started", op::Started{.start = QDateTime::fromMSecsSinceEpoch(1775210400000),
                                   .end = std::nullopt,
                                   .setUp = courseOnly})
            << QByteArray(
                   "{\"endMs\":null,\"setUp\":{\"allCarMessage\":\"\",\"allCarTyped\":\"\","
                   "\"course\":\"鈴鹿\",\"courseLength\":0,\"event\":[\"\",\"\",\"\",\"\"],"
                   "\"hours\":\"\",\"minutes\":\"\",\"slots\":[],\"ticksPerSecond\":0},"
                   "\"startMs\":1775210400000}");
        const model::SlotSetUp slot{.address = u"10.0.0.1"_s,
                                    .setUp = true,
                                    .car = u"赤"_s,
                                    .tank = u"60"_s,
                                    .tankCapacity = 60.5F,
                                    .economy = 8000.0F,
                                    .fuelTotal = 12.5F,
                                    .driver = u"山田"_s,
                                    .driverRow = 1,
                                    .drivers = {{.name = u"山田"_s,
                                                 .hasFigures = true,
                                                 .bestTicks = 82000,
                                                 .bestLapNo = 3,
                                                 .averageTicks = 83000,
                                                 .ticksPerSecond = 1000},
                                                {.name = u"佐藤"_s}},
                                    .countdownOn = true,
                                    .countdown = u"5"_s,
                                    .messageOut = u"BOX"_s,
                                    .messageIn = u"OK"_s,
                                    .mayDrive = {u"山田"_s, u"佐藤"_s}};
        row("started with a car's set-up",
            op::Started{.start = QDateTime::fromMSecsSinceEpoch(1775210400000),
                        .end = std::nullopt,
                        .setUp = model::RaceSetUp{.slots = {slot},
                                                  .event = {u"耐久"_s, u"4/3"_s, u"晴"_s, u"21"_s},
                                                  .course = {},
                                                  .courseLength = 5807,
                                                  .hours = u"2"_s,
                                                  .minutes = u"30"_s,
                                                  .allCarTyped = u"SC"_s,
                                                  .allCarMessage = u"（全車へ：ＳＣ）"_s,
                                                  .rules = rules,
                                                  .ticksPerSecond = 100}})
            << QByteArray(
                   "{\"endMs\":null,\"setUp\":{\"allCarMessage\":\"（全車へ：ＳＣ）\","
                   "\"allCarTyped\":"
                   "\"SC\",\"course\":\"\",\"courseLength\":5807,\"event\":[\"耐久\",\"4/"
                   "3\",\"晴\","
                   "\"21\"],\"hours\":\"2\",\"minutes\":\"30\",\"rules\":{\"maxDrivingMinutes\":0,"
                   "\"maxStintMinutes\":60,\"minDrivingMinutes\":0,\"minPitStopSeconds\":0,"
                   "\"minPitStops\":0,\"pitStopSeconds\":20,\"pitTimeRule\":0,\"stintMessage\":"
                   "\"BOX\",\"stintMessageMinutes\":5},\"slots\":[{\"address\":\"10.0.0.1\","
                   "\"car\":"
                   "\"赤\",\"countdown\":\"5\",\"countdownOn\":true,\"driver\":\"山田\","
                   "\"driverRow\":1,\"drivers\":[{\"averageTicks\":83000,\"bestLap\":3,"
                   "\"bestTicks\":82000,\"name\":\"山田\",\"ticksPerSecond\":1000},{\"name\":"
                   "\"佐藤\"}],\"economy\":8000,\"fuelTotal\":12.5,\"mayDrive\":[\"山田\",\"佐藤\"]"
                   ","
                   "\"messageIn\":\"OK\",\"messageOut\":\"BOX\",\"setUp\":true,\"tank\":\"60\","
                   "\"tankCapacity\":60.5}],\"ticksPerSecond\":100},\"startMs\":1775210400000}");
        row("stopped", op::Stopped{}) << QByteArray("{}");
        row("resumed", op::Resumed{.tick = 5000}) << QByteArray("{\"tick\":5000}");
        row("race length, idle", op::RaceLengthEdited{.RunH = u"2"_s, .RunN = u"30"_s, .end = {}})
            << QByteArray("{\"RunH\":\"2\",\"RunN\":\"30\"}");
        row("race length, no end",
            op::RaceLengthEdited{.RunH = u"0"_s, .RunN = u"0"_s, .end = std::optional<QDateTime>()})
            << QByteArray("{\"RunH\":\"0\",\"RunN\":\"0\",\"endMs\":null}");
        row("race length, an end",
            op::RaceLengthEdited{.RunH = u"1"_s,
                                 .RunN = u"0"_s,
                                 .end = QDateTime::fromMSecsSinceEpoch(1775214000000)})
            << QByteArray("{\"RunH\":\"1\",\"RunN\":\"0\",\"endMs\":1775214000000}");
        row("event data",
            op::EventDataEdited{
                .name = u"耐久"_s, .date = u"4/3"_s, .weather = u"晴"_s, .temperature = u"18"_s})
            << QByteArray(
                   "{\"date\":\"4/"
                   "3\",\"name\":\"耐久\",\"temperature\":\"18\",\"weather\":\"晴\"}");
        row("course", op::CourseChosen{.name = u"鈴鹿"_s, .length = 4000})
            << QByteArray("{\"length\":4000,\"name\":\"鈴鹿\"}");
        row("message to all", op::AllCarMessageTyped{.typed = u"全車"_s, .AllCarMsg = u"ALL"_s})
            << QByteArray("{\"AllCarMsg\":\"ALL\",\"typed\":\"全車\"}");
        row("stopwatch started", op::StopwatchStarted{.tick = 100}) << QByteArray("{\"tick\":100}");
        row("stopwatch stopped", op::StopwatchStopped{.tick = 200}) << QByteArray("{\"tick\":200}");
        row("rules", op::RulesSet{.rules = rules}) << QByteArray(
            "{\"maxDrivingMinutes\":0,\"maxStintMinutes\":60,\"minDrivingMinutes\":0,"
            "\"minPitStopSeconds\":0,\"minPitStops\":0,\"pitStopSeconds\":20,"
            "\"pitTimeRule\":0,\"stintMessage\":\"BOX\",\"stintMessageMinutes\":5}");
        row("address set", op::AddressSet{.address = u"10.0.0.1"_s, .setUp = true})
            << QByteArray("{\"address\":\"10.0.0.1\",\"setUp\":true}");
        row("address cleared", op::AddressCleared{}) << QByteArray("{}");
        row("car",
            op::CarChosen{
                .name = u"赤"_s, .TankTxt = u"60"_s, .TankCapacity = 60.5F, .FuelEconomy = 8000.0F})
            << QByteArray(
                   "{\"FuelEconomy\":8000,\"TankCapacity\":60.5,\"TankTxt\":\"60\",\"name\":"
                   "\"赤\"}");
        row("choices", op::ChoicesShown{.carName = u"赤"_s, .driver = u"山田"_s})
            << QByteArray("{\"carName\":\"赤\",\"driver\":\"山田\"}");
        row("driver while timing",
            op::DriverChosen{.name = u"山田"_s, .countdown = u"0"_s, .tick = 260000})
            << QByteArray("{\"countdown\":\"0\",\"name\":\"山田\",\"tick\":260000}");
        row("driver while idle",
            op::DriverChosen{.name = u"山田"_s, .countdown = u"0"_s, .tick = {}})
            << QByteArray("{\"countdown\":\"0\",\"name\":\"山田\"}");
        row("entries", op::DriverEntriesListed{.names = {u"山田"_s, u"鈴木"_s}})
            << QByteArray("{\"names\":[\"山田\",\"鈴木\"]}");
        row("lap counted",
            op::LapCounted{.countdown = u"5"_s, .contactLast = {}, .contactReports = {}})
            << QByteArray("{\"countdown\":\"5\"}");
        row("lap counted, contact ended",
            op::LapCounted{.countdown = u"5"_s, .contactLast = 168000, .contactReports = 3})
            << QByteArray("{\"contactLast\":168000,\"contactReports\":3,\"countdown\":\"5\"}");
        row("lap recorded",
            op::LapRecorded{
                .lap = kLap, .tick = 166000, .remain = 600, .record = u"r"_s, .figures = {}})
            << "{\"lap\":" + kLapJson + ",\"record\":\"r\",\"remain\":600,\"tick\":166000}";
        row("lap count corrected", op::LapCorrected{}) << QByteArray("{}");
        row("lap time", op::LapTimeEdited{.text = u"1'20\"000"_s, .ticks = 80000})
            << QByteArray("{\"text\":\"1'20\\\"000\",\"ticks\":80000}");
        row("lap driver", op::LapDriverEdited{.driver = u"佐藤"_s})
            << QByteArray("{\"driver\":\"佐藤\"}");
        row("lap remarks", op::LapRemarksEdited{.remarks = u"ピット"_s})
            << QByteArray("{\"remarks\":\"ピット\"}");
        row("car stopped", op::CarStopped{}) << QByteArray("{}");
        row("refuelled", op::Refuelled{.total = 10.5F}) << QByteArray("{\"total\":10.5}");
        row("economy", op::EconomyEdited{.economy = 9000.0F}) << QByteArray("{\"economy\":9000}");
        row("countdown on", op::CountdownSwitched{.on = true, .countdown = u"12"_s})
            << QByteArray("{\"countdown\":\"12\",\"on\":true}");
        row("countdown", op::CountdownEdited{.countdown = u"11"_s})
            << QByteArray("{\"countdown\":\"11\"}");
        row("message typed", op::MessageTyped{.text = u"BOX"_s})
            << QByteArray("{\"text\":\"BOX\"}");
        row("message received", op::MessageReceived{.message = u"OK"_s})
            << QByteArray("{\"message\":\"OK\"}");
        row("stop", op::PitStopRecorded{.stop = {4, 250000, 275000, false}}) << QByteArray(
            "{\"byOperator\":false,\"endTick\":275000,\"lap\":4,\"startTick\":250000}");
        row("stop entered", op::PitStopEdited{.stop = {3, 200000, 231000, true}, .index = -1})
            << QByteArray(
                   "{\"byOperator\":true,\"endTick\":231000,\"index\":-1,\"lap\":3,\"startTick\":"
                   "200000}");
        row("stop removed", op::PitStopRemoved{.index = 0}) << QByteArray("{\"index\":0}");
        row("pit entered", op::PitEntered{.tick = 15000}) << QByteArray("{\"tick\":15000}");
        row("merged", op::LapsMerged{.lap = kLap}) << "{\"lap\":" + kLapJson + "}";
        row("split", op::LapSplit{.first = kLap, .second = kLap})
            << "{\"first\":" + kLapJson + ",\"second\":" + kLapJson + "}";
        row("repair undone", op::LapRepairUndone{}) << QByteArray("{}");
        row("report heard", op::ReportHeard{.tick = 99}) << QByteArray("{\"tick\":99}");
    }
    void writtenAndReadBack() {
        QFETCH(model::Change, change);
        QFETCH(QByteArray, stored);
        QCOMPARE(written(change), stored);
        const auto read = model::changeFrom(model::opName(change.op), 0, 1, {}, fromJson(stored));
        QVERIFY(read && read->operation);
        QCOMPARE(read->op, change.op);
        QCOMPARE(read->operation->index(), change.operation->index());
        QCOMPARE(written(*read), stored);
    }

    // Journals of earlier releases: fields under their old keys, or not there yet.
    void earlierFormsRead_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("readAs");
        QTest::newRow("started, local times")
            << u"started"_s << QByteArray("{\"end\":null,\"start\":\"2026-04-03T10:00:00.000\"}")
            << "{\"endMs\":null,\"startMs\":" +
                   QByteArray::number(
                       QDateTime(QDate(2026, 4, 3), QTime(10, 0)).toMSecsSinceEpoch()) +
                   "}";
        QTest::newRow("race length, old end")
            << u"race length edited"_s << QByteArray("{\"RunH\":\"0\",\"RunN\":\"0\",\"end\":null}")
            << QByteArray("{\"RunH\":\"0\",\"RunN\":\"0\",\"endMs\":null}");
        QTest::newRow("lap with figures")
            << u"lap recorded"_s
            << QByteArray(
                   "{\"figures\":{\"BestLapNo\":1},\"lap\":{\"ticks\":83000},\"tick\":83000}")
            << QByteArray(
                   "{\"figures\":{\"BestLapNo\":1},\"lap\":{\"acrossRestart\":false,"
                   "\"contactLastTick\":0,\"contactReports\":0,\"corrected\":false,\"driver\":\"\","
                   "\"editText\":\"\",\"edited\":false,\"endTick\":0,\"log\":\"\",\"remarks\":\"\","
                   "\"silenceTicks\":0,\"ticks\":83000,\"timed\":false},\"record\":\"\",\"remain\":"
                   "0,"
                   "\"tick\":83000}");
        QTest::newRow("no such operation") << u"lap polished"_s << QByteArray("{}") << QByteArray();
        QTest::newRow("no operation: standings")
            << u"standings updated"_s << QByteArray("{}") << QByteArray();
    }
    void earlierFormsRead() {
        QFETCH(QString, op);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, readAs);
        const auto read = model::changeFrom(op, -1, 0, {}, fromJson(stored));
        QCOMPARE(read && read->operation ? written(*read) : QByteArray(), readAs);
    }

    // Laps of earlier journals carry the text the grid showed: an edit is kept as the edit, a
    // time the console formatted goes, and the lap shows its ticks again.
    void earlierLapTextsRead_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("edit");
        QTest::newRow("edited")
            << QByteArray(
                   "{\"timed\":true,\"ticks\":80000,\"timeText\":\"1'20\\\"0\",\"edited\":true}")
            << u"1'20\"0"_s;
        QTest::newRow("timed")
            << QByteArray(
                   "{\"timed\":true,\"ticks\":83000,\"timeText\":\"1'23\\\"000\",\"edited\":false}")
            << QString();
        QTest::newRow("untimed")
            << QByteArray("{\"timed\":false,\"ticks\":0,\"timeText\":\"\",\"edited\":false}")
            << QString();
        QTest::newRow("timed, no edited flag")
            << QByteArray("{\"timed\":true,\"ticks\":83000,\"timeText\":\"1'23\\\"000\"}")
            << QString();
        QTest::newRow("edited, no text")
            << QByteArray("{\"timed\":true,\"edited\":true}") << QString();
    }
    void earlierLapTextsRead() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, edit);
        const QVariantMap args = fromJson(stored);
        const core::Lap lap = model::recordFrom<core::Lap>(args);
        QCOMPARE(lap.editText, edit);
        QCOMPARE(lap.edited, args.value(u"edited"_s).toBool());
        QCOMPARE(lap.ticks, args.value(u"ticks"_s).toInt());
        // Written again, the edit stands under its own key and nothing else of the text.
        const QVariantMap again = model::argsOf(lap);
        QCOMPARE(again.value(u"editText"_s).toString(), edit);
        QVERIFY(!again.contains(u"timeText"_s));
    }
};

QTEST_GUILESS_MAIN(TestOperations)
#include "test_operations.moc"
