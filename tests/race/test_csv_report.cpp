#include "race/csv_report.h"

#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

class TestCsvReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldsAreQuotedOnlyWhereNeeded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << u"山田"_s << u"山田"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("comma") << u"雨, スリップ"_s << u"\"雨, スリップ\""_s;
        QTest::newRow("quote") << u"say \"hi\""_s << u"\"say \"\"hi\"\"\""_s;
        QTest::newRow("line break") << u"a\r\nb"_s << u"\"a\r\nb\""_s;
    }
    void fieldsAreQuotedOnlyWhereNeeded() {
        QFETCH(QString, text);
        QTEST(race::csvField(text), "field");
    }

    // Only cars that took part; a lap never timed keeps its row with empty time fields.
    void oneRowPerLapOfTheCarsThatTookPart() {
        core::RaceState race;
        race.RaceStartTime = QDateTime(QDate(2026, 4, 3), QTime(14, 0, 0));
        core::Settings settings;
        settings.timeAt(100);
        auto& car = race.car[1];
        car.TakesPart = true;
        car.CarName = u"赤"_s;
        core::Lap lap;
        lap.timed = true;
        lap.ticks = 8345;
        lap.endTick = 8345;
        lap.driver = u"山田"_s;
        lap.remarks = u"雨, スリップ"_s;
        lap.log = u"N, ピット"_s;
        car.laps = {lap, core::Lap{}};
        car.pitStops = {{2, 9000, 11500, false}, {2, 12000, 12100, true}};
        race.car[2].laps = {lap};  // no address at Start: not in the file
        QCOMPARE(
            race::csvLines(race, settings),
            (QStringList{
                u"車番,車輌名,周回,ラップ(ms),ラップタイム,ドライバ,備考,メッセージ,周回終了時刻,"
                u"ピット停止(ms)"_s,
                u"2,赤,1,83450,\"1'23\"\"45\",山田,\"雨, スリップ\",\"N, ピット\",2026-04-03 14:01:23.450,"_s,
                u"2,赤,2,,,,,,,26000"_s}));
        const QByteArray bytes = race::csvBytes(race, settings);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF\xE8\xBB\x8A"));  // BOM, then 車 in UTF-8
        QVERIFY(bytes.endsWith("2,,,,,,,26000\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestCsvReport)
#include "test_csv_report.moc"
