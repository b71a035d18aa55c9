#include "timing/race_length.h"

#include <QTest>
#include <limits>

using kaltero::core::Settings;
using namespace kaltero::timing;

namespace {
const QDateTime kStart(QDate(2026, 4, 3), QTime(14, 0, 0));
}

class TestRaceLength : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void raceLengthValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("keptOnLeaving");
        QTest::newRow("whole") << QStringLiteral("12") << 12 << true;
        QTest::newRow("blanks around") << QStringLiteral(" 3 ") << 3 << true;
        QTest::newRow("negative") << QStringLiteral("-1") << -1 << true;
        QTest::newRow("half rounds to even (up)") << QStringLiteral("1.5") << 2 << true;
        QTest::newRow("half rounds to even (down)") << QStringLiteral("2.5") << 2 << true;
        QTest::newRow("point first") << QStringLiteral(".5") << 0 << true;
        QTest::newRow("point last") << QStringLiteral("5.") << 5 << true;
        QTest::newRow("plus sign") << QStringLiteral("+7") << 7 << true;
        QTest::newRow("lone point") << QStringLiteral(".") << 0 << false;
        QTest::newRow("blank inside") << QStringLiteral("1 2") << 12 << false;
        QTest::newRow("below half") << QStringLiteral("0.4") << 0 << true;
        QTest::newRow("letters") << QStringLiteral("abc") << 0 << false;
        QTest::newRow("empty") << QString() << 0 << false;
        QTest::newRow("number then letters counts its number")
            << QStringLiteral("12abc") << 12 << false;
        QTest::newRow("exponent") << QStringLiteral("1e3") << 1000 << false;
        QTest::newRow("16-bit largest") << QStringLiteral("32767") << 32767 << true;
        QTest::newRow("16-bit lowest") << QStringLiteral("-32768") << -32768 << true;
        QTest::newRow("rounds into 16 bits") << QStringLiteral("32767.4") << 32767 << true;
        QTest::newRow("rounds out of 16 bits") << QStringLiteral("32767.5") << 0 << false;
        QTest::newRow("past 16 bits") << QStringLiteral("40000") << 0 << false;
        QTest::newRow("below 16 bits") << QStringLiteral("-32769") << 0 << false;
        QTest::newRow("far past any range") << QStringLiteral("1e400") << 0 << false;
    }
    void raceLengthValue() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, keptOnLeaving);
        QCOMPARE(int(kaltero::timing::raceLengthValue(text)), value);
        QCOMPARE(isRaceLengthText(text), keptOnLeaving);
    }

    void raceEndTime_data() {
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<bool>("hasEnd");
        QTest::addColumn<qint64>("minutesAfterStart");
        const auto row = [](const char* name, const char* h, const char* m, qint64 after) {
            QTest::newRow(name) << QString::fromLatin1(h) << QString::fromLatin1(m) << true
                                << after;
        };
        const auto none = [](const char* name, const char* h, const char* m) {
            QTest::newRow(name) << QString::fromLatin1(h) << QString::fromLatin1(m) << false
                                << qint64(0);
        };
        row("1 h 30 min", "1", "30", 90);
        row("90 minutes carry", "0", "90", 90);
        row("hours only", "2", "0", 120);
        row("negative minutes subtract", "2", "-30", 90);
        row("negative hours", "-1", "0", -60);
        row("rounded halves to even", "0.5", "2.5", 2);
        row("blanks ignored", " 1 ", " 3 0 ", 90);
        row("letters count 0", "abc", "45", 45);
        row("largest boxes", "32767", "32767", 32767LL * 60 + 32767);
        row("a fraction is a length even if it rounds to 0", "0", "0.4", 0);
        none("both 0", "0", "0");
        none("both empty", "", "");
        none("no numbers", "abc", "x");
        none("negative zero", "-0", "0");
        none("out of 16 bits counts 0", "99999", "0");
        row("out of 16 bits beside a usable box", "99999", "15", 15);
    }
    void raceEndTime() {
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(bool, hasEnd);
        QFETCH(qint64, minutesAfterStart);
        const std::optional<QDateTime> end = kaltero::timing::raceEndTime(hours, minutes, kStart);
        QCOMPARE(end.has_value(), hasEnd);
        if (hasEnd) {
            QCOMPARE(*end, kStart.addSecs(minutesAfterStart * 60));
        }
    }

    void secondsToEnd_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<qint64>("seconds");
        const QDateTime end = kStart.addSecs(90 * 60);  // 15:30:00
        QTest::newRow("five seconds in") << kStart.addSecs(5) << end << qint64(5395);
        QTest::newRow("a part second is dropped") << kStart.addMSecs(5900) << end << qint64(5395);
        QTest::newRow("at the end") << end << end << qint64(0);
        QTest::newRow("just before the end") << end.addMSecs(-1) << end << qint64(1);
        QTest::newRow("overrun") << end.addSecs(65) << end << qint64(-65);
        QTest::newRow("overrun part second") << end.addMSecs(65999) << end << qint64(-65);
        QTest::newRow("end with milliseconds") << kStart << kStart.addMSecs(1999) << qint64(1);
        const QDateTime old(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC);
        QTest::newRow("before 1970 still floors") << old << old.addMSecs(600) << qint64(1);
    }
    void secondsToEnd() {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, end);
        QFETCH(qint64, seconds);
        QCOMPARE(kaltero::timing::secondsToEnd(now, end), seconds);
    }

    void remainTicks_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<qint32>("ticks");
        constexpr qint32 kMax = std::numeric_limits<qint32>::max();
        constexpr qint32 kMin = std::numeric_limits<qint32>::min();
        constexpr qint64 kHuge = std::numeric_limits<qint64>::max();
        QTest::newRow("1/1000") << 1000 << qint64(600) << 600000;
        QTest::newRow("1/100") << 100 << qint64(600) << 60000;
        QTest::newRow("after the end") << 1000 << qint64(-5) << -5000;
        QTest::newRow("last that fits") << 1000 << qint64(2147483) << 2147483000;
        QTest::newRow("held at the top") << 1000 << qint64(2147484) << kMax;
        QTest::newRow("held at the bottom") << 1000 << qint64(-2147484) << kMin;
        QTest::newRow("64-bit product would overflow") << 1000 << kHuge << kMax;
        QTest::newRow("64-bit lowest") << 1000 << -kHuge - 1 << kMin;
    }
    void remainTicks() {
        QFETCH(int, ticksPerSecond);
        QFETCH(qint64, seconds);
        QFETCH(qint32, ticks);
        Settings settings;
        settings.TicksPerSecond = ticksPerSecond;
        QCOMPARE(kaltero::timing::remainTicks(seconds, settings), ticks);
    }
};

QTEST_APPLESS_MAIN(TestRaceLength)
#include "test_race_length.moc"
