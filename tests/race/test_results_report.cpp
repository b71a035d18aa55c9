#include "race/results_report.h"

#include <QTest>

using namespace kaltero::race;
using namespace Qt::StringLiterals;

namespace {

ReportInputs twoCars() {
    ReportInputs in;
    in.eventName = u"鈴鹿４時間耐久"_s;
    in.date = u"2024/05/12"_s;
    in.weather = u"晴"_s;
    in.temperature = u"24"_s;

    ReportSlot& one = in.slots[0];
    one.address = u"192.168.0.11"_s;
    one.title = u"１号車"_s;
    one.carName = u"ｶﾛｰﾗ GT"_s;
    one.laps = {
        {u"1'23\"456"_s, u"山田"_s, QString(), u"（全車へ：ＡＢＣ）, ok"_s},
        {u"  "_s, u"鈴木"_s, u"未記録"_s, u", "_s},  // counted, never recorded
        {u"1'25\"010"_s, u"鈴木"_s, u"給油,タイヤ交換"_s, u", "_s},
    };
    one.drivers = {
        {u"山田"_s, u"1'23\"456"_s, u"1'23\"456"_s},
        {u"鈴木"_s, u"1'25\"010"_s, u"1'25\"010"_s},
    };

    // Slot 2 has laps on screen but no address any more: it is not reported.
    ReportSlot& two = in.slots[1];
    two.title = u"２号車"_s;
    two.carName = u"NSX"_s;
    two.laps = {{u"1'30\"000"_s, u"佐藤"_s, QString(), u", "_s}};
    two.drivers = {{u"佐藤"_s, u"1'30\"000"_s, u"1'30\"000"_s}};

    ReportSlot& three = in.slots[2];
    three.address = u"192.168.0.13"_s;
    three.title = u"３号車"_s;
    three.laps = {{u"2'01\"000"_s, QString(), QString(), u", "_s}};
    return in;
}

}  // namespace

class TestResultsReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoCarsWithAGap() {
        // In code page 932, every line ended by CR LF:
        //   イベント名:鈴鹿４時間耐久
        //   日付:2024/05/12
        //   天気:晴
        //   気温:24
        //
        //   ----------------------------------------
        //   １号車
        //   車輌名:ｶﾛｰﾗ GT
        //   ----------------------------------------
        //   1,1'23"456,山田,,（全車へ：ＡＢＣ）, ok
        //   3,1'25"010,鈴木,給油,タイヤ交換,,
        //   ----------------------------------------
        //   個人集計
        //   ----------------------------------------
        //   山田,1'23"456,1'23"456
        //   鈴木,1'25"010,1'25"010
        //   ----------------------------------------
        //   ３号車
        //   車輌名:
        //   ----------------------------------------
        //   1,2'01"000,,,,
        //   ----------------------------------------
        //   個人集計
        //   ----------------------------------------
        const QByteArray expected =
            "\x83"
            "C\x83x\x83\x93\x83g\x96\xbc:\x97\xe9\x8e\xad\x82S\x8e\x9e\x8a\xd4\x91\xcf\x8bv\x0d\x0a"
            "\x93\xfa\x95t:2024/05/12\x0d\x0a"
            "\x93V\x8b"
            "C:\x90\xb0\x0d\x0a"
            "\x8b"
            "C\x89\xb7:24\x0d\x0a"
            "\x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "\x82P\x8d\x86\x8e\xd4\x0d\x0a"
            "\x8e\xd4\xe7q\x96\xbc:\xb6\xdb\xb0\xd7 GT\x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "1,1'23\"456,\x8eR\x93"
            "c,,\x81i\x91S\x8e\xd4\x82\xd6\x81"
            "F\x82`\x82"
            "a\x82"
            "b\x81j, ok\x0d\x0a"
            "3,1'25\"010,\x97\xe9\x96\xd8,\x8b\x8b\x96\xfb,\x83^\x83"
            "C\x83\x84\x8c\xf0\x8a\xb7,, \x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "\x8c\xc2\x90l\x8fW\x8cv\x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "\x8eR\x93"
            "c,1'23\"456,1'23\"456\x0d\x0a"
            "\x97\xe9\x96\xd8,1'25\"010,1'25\"010\x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "\x82R\x8d\x86\x8e\xd4\x0d\x0a"
            "\x8e\xd4\xe7q\x96\xbc:\x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "1,2'01\"000,,,, \x0d\x0a"
            "----------------------------------------\x0d\x0a"
            "\x8c\xc2\x90l\x8fW\x8cv\x0d\x0a"
            "----------------------------------------\x0d\x0a";
        QCOMPARE(reportBytes(twoCars()), expected);
    }

    void noCarSetUpGivesTheHeaderOnly() {
        ReportInputs in = twoCars();
        for (ReportSlot& slot : in.slots) {
            slot.address.clear();
        }
        in.weather.clear();
        QCOMPARE(reportBytes(in),
                 QByteArray("\x83"
                            "C\x83x\x83\x93\x83g\x96\xbc:\x97\xe9\x8e\xad\x82S\x8e\x9e\x8a"
                            "\xd4\x91\xcf\x8bv\r\n"
                            "\x93\xfa\x95t:2024/05/12\r\n"
                            "\x93V\x8b"
                            "C:\r\n"
                            "\x8b"
                            "C\x89\xb7:24\r\n"
                            "\r\n"));
    }

    // Only a time cell of blanks marks a lap that was counted but not recorded.
    void lapRowsWithoutATime_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("written");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks") << u"   "_s << false;
        QTest::newRow("ideographic blank") << u"\u3000"_s << false;
        QTest::newRow("a time") << u"0'59\"999"_s << true;
        QTest::newRow("a time with blanks around") << u" 0'59\"999 "_s << true;
    }
    void lapRowsWithoutATime() {
        QFETCH(QString, time);
        QFETCH(bool, written);
        ReportInputs in;
        in.slots[4] = {u"10.0.0.5"_s,
                       u"５号車"_s,
                       u"A"_s,
                       {{u"1'00\"000"_s, u"X"_s, QString(), u", "_s},
                        {time, u"Y"_s, QString(), u", "_s},
                        {u"1'02\"000"_s, u"Z"_s, QString(), u", "_s}},
                       {}};
        const QStringList lines = reportLines(in);
        QStringList laps;
        for (const QString& line : lines) {
            if (line.startsWith(u"1,") || line.startsWith(u"2,") || line.startsWith(u"3,")) {
                laps << line;
            }
        }
        QStringList expected{u"1,1'00\"000,X,,, "_s};
        if (written) {
            expected << u"2,"_s + time + u",Y,,, "_s;
        }
        expected << u"3,1'02\"000,Z,,, "_s;
        QCOMPARE(laps, expected);
    }
};

QTEST_APPLESS_MAIN(TestResultsReport)
#include "test_results_report.moc"
