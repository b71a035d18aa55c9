#include "timing/time_text.h"

#include <QTest>
#include <limits>

using kaltero::core::Settings;
using namespace kaltero::timing;
using namespace Qt::StringLiterals;

namespace {

// The derived units of the two precisions the settings panel offers.
Settings precision(int ticksPerSecond) {
    Settings s;
    s.TicksPerSecond = ticksPerSecond;
    if (ticksPerSecond == 1000) {
        s.Precision = QStringLiteral("1/1000");
        s.FractionFormat = QStringLiteral("000");
        s.MsPerTick = 1;
    } else {
        s.Precision = QStringLiteral("1/100");
        s.FractionFormat = QStringLiteral("00");
        s.MsPerTick = 10;
    }
    return s;
}

constexpr qint32 kMin = std::numeric_limits<qint32>::min();
constexpr qint32 kMax = std::numeric_limits<qint32>::max();

}  // namespace

class TestTimeText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatLapTime_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<qint32>("ticks");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int tps, qint32 ticks, const char16_t* text) {
            QTest::newRow(name) << tps << ticks << QString::fromUtf16(text);
        };
        row("zero", 1000, 0, u"0'00\"000");
        row("five ms", 1000, 5, u"0'00\"005");
        row("just under a minute", 1000, 59999, u"0'59\"999");
        row("typical lap", 1000, 83456, u"1'23\"456");
        row("two-digit minutes", 1000, 754321, u"12'34\"321");
        row("an hour stays in minutes", 1000, 3600000, u"60'00\"000");
        row("75 minutes", 1000, 4500000, u"75'00\"000");
        row("negative under a minute", 1000, -1500, u"0'-01\"-500");
        row("negative minute", 1000, -61000, u"-1'-01\"000");
        row("negative only fraction", 1000, -5, u"0'00\"-005");
        row("no-lap value", 1000, 0x0FFFFFFF, u"4473'55\"455");
        row("largest", 1000, kMax, u"35791'23\"647");
        row("lowest", 1000, kMin, u"-35791'-23\"-648");
        row("1/100 typical", 100, 8345, u"1'23\"45");
        row("1/100 under a minute", 100, 5999, u"0'59\"99");
        row("1/100 zero", 100, 0, u"0'00\"00");
        row("1/100 one tick", 100, 1, u"0'00\"01");
        row("1/100 negative", 100, -150, u"0'-01\"-50");
        row("1/100 largest", 100, kMax, u"357913'56\"47");
        row("1/100 lowest", 100, kMin, u"-357913'-56\"-48");
    }
    void formatLapTime() {
        QFETCH(int, ticksPerSecond);
        QFETCH(qint32, ticks);
        QFETCH(QString, text);
        QCOMPARE(FormatLapTime(ticks, precision(ticksPerSecond)), text);
    }

    // A lap shows the edit as typed, else its ticks in the units the race was started at
    // (the console's for a race of an older journal), else nothing.
    void lapTimeText_data() {
        QTest::addColumn<int>("console");
        QTest::addColumn<int>("race");
        QTest::addColumn<bool>("timed");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int console, int race, bool timed, bool edited,
                            const QString& edit, const QString& text) {
            QTest::newRow(name) << console << race << timed << edited << edit << text;
        };
        row("timed", 1000, 1000, true, false, {}, u"1'23\"450"_s);
        row("race at 1/100, console set to 1/1000 since", 1000, 100, true, false, {},
            u"13'54\"50"_s);
        row("race at 1/1000, console set to 1/100 since", 100, 1000, true, false, {},
            u"1'23\"450"_s);
        row("older journal: the console's", 100, 0, true, false, {}, u"13'54\"50"_s);
        row("edited: as typed", 1000, 1000, true, true, u"1'23\"45"_s, u"1'23\"45"_s);
        row("edited, then merged: the sum", 1000, 1000, true, true, {}, u"1'23\"450"_s);
        row("an edit left over is no edit", 1000, 1000, true, false, u"9'99\"9"_s, u"1'23\"450"_s);
        row("untimed", 1000, 1000, false, false, {}, QString());
    }
    void lapTimeText() {
        QFETCH(int, console);
        QFETCH(int, race);
        QFETCH(bool, timed);
        QFETCH(bool, edited);
        QFETCH(QString, edit);
        QFETCH(QString, text);
        kaltero::core::RaceState state;
        state.TicksPerSecond = race;
        kaltero::core::Lap lap;
        lap.timed = timed;
        lap.ticks = 83450;
        lap.editText = edit;
        lap.edited = edited;
        QCOMPARE(kaltero::timing::lapTimeText(lap, raceUnits(precision(console), state)), text);
    }

    void formatHMS_data() {
        QTest::addColumn<qint32>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << QStringLiteral("0:00:00");
        QTest::newRow("59 s") << 59 << QStringLiteral("0:00:59");
        QTest::newRow("one minute") << 60 << QStringLiteral("0:01:00");
        QTest::newRow("one hour") << 3600 << QStringLiteral("1:00:00");
        QTest::newRow("mixed") << 3725 << QStringLiteral("1:02:05");
        QTest::newRow("end of a day") << 86399 << QStringLiteral("23:59:59");
        QTest::newRow("hours past 23") << 90000 << QStringLiteral("25:00:00");
        QTest::newRow("largest") << kMax << QStringLiteral("596523:14:07");
        QTest::newRow("lowest does not overflow") << kMin << QStringLiteral("-596523:-14:-08");
    }
    void formatHMS() {
        QFETCH(qint32, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatHMS(seconds), text);
    }

    void parseLapTime_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("ticks");
        const auto ok = [](const char* name, int tps, const char16_t* text, double ticks) {
            QTest::newRow(name) << tps << QString::fromUtf16(text) << true << ticks;
        };
        const auto bad = [](const char* name, int tps, const char16_t* text) {
            QTest::newRow(name) << tps << QString::fromUtf16(text) << false << 0.0;
        };
        ok("typical", 1000, u"1'23\"456", 83456);
        ok("sub-second digits are ticks", 1000, u"1'23\"5", 83005);
        ok("one-digit seconds", 1000, u"0'5\"7", 5007);
        ok("seconds past 60 added as they are", 1000, u"0'75\"000", 75000);
        ok("1/100", 100, u"1'23\"45", 8345);
        ok("blanks around the pieces", 1000, u" 1 ' 23 \" 456 ", 83456);
        ok("tab around a piece", 1000, u"\t1'23\"456", 83456);
        ok("signs", 1000, u"-1'+23\"-456", -60000 + 23000 - 456);
        ok("decimal point", 1000, u"1.5'0\"0", 90000);
        ok("later minutes mark wins", 1000, u"9'1'23\"456", 83456);
        ok("later seconds mark wins", 1000, u"1'9\"23\"456", 83456);
        ok("seconds mark before minutes mark", 1000, u"23\"1'456", 83456);
        ok("large minutes", 1000, u"35791'23\"647", 2147483647.0);
        bad("no seconds mark", 1000, u"1'23");
        bad("no minutes mark", 1000, u"23\"456");
        bad("empty sub-second piece", 1000, u"1'23\"");
        bad("empty minutes piece", 1000, u"'23\"456");
        bad("empty seconds piece", 1000, u"1'\"456");
        bad("blank piece", 1000, u"1' \"456");
        bad("letters", 1000, u"abc");
        bad("letter in a piece", 1000, u"1'2x\"456");
        bad("exponent", 1000, u"1'23\"4e2");
        bad("blank inside a number", 1000, u"1'2 3\"456");
        bad("lone point", 1000, u"1'.\"456");
        bad("two points", 1000, u"1'2.3.4\"456");
        bad("sign only", 1000, u"-'23\"456");
        bad("full-width digits", 1000, u"１'23\"456");
        bad("empty text", 1000, u"");
    }
    void parseLapTime() {
        QFETCH(int, ticksPerSecond);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, ticks);
        const std::optional<double> parsed = ParseLapTime(text, precision(ticksPerSecond));
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(*parsed, ticks);
        }
    }

    void parseLapTimeRejectsOverlongNumbers() {
        // 400 digits overflow a double: no lap time, rather than an infinite one.
        const QString huge = QString(400, u'9');
        QVERIFY(!ParseLapTime(QString(huge + QStringLiteral("'00\"000")), precision(1000)));
    }

    // Every text the console writes for a lap of zero or more ticks reads back as that lap.
    void roundTrip_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::newRow("1/1000") << 1000;
        QTest::newRow("1/100") << 100;
    }
    void roundTrip() {
        QFETCH(int, ticksPerSecond);
        const Settings settings = precision(ticksPerSecond);
        QList<qint32> values;
        for (qint32 t = 0; t <= 200000; ++t) {
            values << t;
        }
        for (qint64 t = 200000; t <= kMax; t += 104729) {  // a prime stride hits every field
            values << qint32(t);
        }
        values << 59999 << 3600000 << 0x0FFFFFFF << kMax - 1 << kMax;
        for (const qint32 t : std::as_const(values)) {
            const QString text = FormatLapTime(t, settings);
            const std::optional<double> back = ParseLapTime(text, settings);
            if (!back || *back != double(t)) {
                QFAIL(qPrintable(
                    QStringLiteral("%1 -> %2 -> %3")
                        .arg(t)
                        .arg(text)
                        .arg(back ? QString::number(*back, 'f', 3) : QStringLiteral("invalid"))));
            }
        }
        QVERIFY(values.size() > 220000);
    }

    void clockText_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon") << QTime(14, 5, 9) << QStringLiteral("pm 02:05:09");
        QTest::newRow("half past midnight") << QTime(0, 30, 0) << QStringLiteral("am 12:30:00");
        QTest::newRow("midnight") << QTime(0, 0, 0) << QStringLiteral("am 12:00:00");
        QTest::newRow("noon") << QTime(12, 0, 0) << QStringLiteral("pm 12:00:00");
        QTest::newRow("just before noon") << QTime(11, 59, 59) << QStringLiteral("am 11:59:59");
        QTest::newRow("one in the morning") << QTime(1, 2, 3) << QStringLiteral("am 01:02:03");
        QTest::newRow("last second") << QTime(23, 59, 59) << QStringLiteral("pm 11:59:59");
    }
    void clockText() {
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(kaltero::timing::clockText(time), text);
    }

    void startTimeText_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("morning") << QTime(9, 5, 30) << u"Start時間 09:05"_s;
        QTest::newRow("24-hour clock") << QTime(14, 0, 59) << u"Start時間 14:00"_s;
        QTest::newRow("midnight") << QTime(0, 0) << u"Start時間 00:00"_s;
    }
    void startTimeText() {
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(kaltero::timing::startTimeText(QDateTime(QDate(2026, 4, 3), time)), text);
    }

    void remainTimeText_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("before the end") << qint64(3725) << u"残り 1:02:05"_s;
        QTest::newRow("at the end") << qint64(0) << u"残り 0:00:00"_s;
        QTest::newRow("overrun counts up") << qint64(-65) << u"残り 0:01:05"_s;
        QTest::newRow("lowest 32-bit") << qint64(kMin) << u"残り 596523:14:08"_s;
        QTest::newRow("lowest 64-bit")
            << std::numeric_limits<qint64>::min() << u"残り 2562047788015215:30:07"_s;
    }
    void remainTimeText() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(kaltero::timing::remainTimeText(seconds), text);
    }
};

QTEST_APPLESS_MAIN(TestTimeText)
#include "test_time_text.moc"
