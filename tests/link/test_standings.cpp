#include "link/standings.h"

#include <QTest>
#include <limits>

using kaltero::link::currentLap;
using kaltero::link::Standings;
using kaltero::link::StandingsCar;
using kaltero::link::UpdateStandings;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QList<StandingsCar>)

namespace {

using Best = std::optional<qint32>;

StandingsCar car(qint32 lapCnt, bool pending, Best best) {
    return StandingsCar{.LapCnt = lapCnt,
                        .LapPending = pending,
                        .BestLapNo = 1,
                        .carName = {},
                        .slot = -1,
                        .BestLapTicks = best};
}

}  // namespace

class TestStandings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The order the board has always shown: more laps (a counted lap not yet closed puts no car
    // ahead), then the better best lap, then the lower slot. Bests in ticks at 1/1000.
    void ranking_data() {
        QTest::addColumn<QList<StandingsCar>>("cars");
        QTest::addColumn<QList<int>>("slots");
        const qint32 fast = 82999;
        const qint32 slow = 83456;
        const Best none = std::nullopt;
        QTest::newRow("more laps first")
            << QList{car(3, false, fast), car(5, false, slow)} << QList{1, 0};
        QTest::newRow("equal laps: better best first")
            << QList{car(5, false, slow), car(5, false, fast)} << QList{1, 0};
        QTest::newRow("one tick apart")
            << QList{car(5, false, 83457), car(5, false, 83456)} << QList{1, 0};
        QTest::newRow("a minute boundary")
            << QList{car(5, false, 60000), car(5, false, 59999)} << QList{1, 0};
        QTest::newRow("equal bests: lower slot first")
            << QList{car(5, false, slow), car(5, false, slow), car(5, false, slow)}
            << QList{0, 1, 2};
        QTest::newRow("pending 6th lap level with closed 5th")
            << QList{car(6, true, slow), car(5, false, fast)} << QList{1, 0};
        QTest::newRow("pending 6th lap behind closed 6th")
            << QList{car(6, true, fast), car(6, false, slow)} << QList{1, 0};
        QTest::newRow("no best yet: ahead of a best on the same lap")
            << QList{car(0, false, fast), car(0, false, none)} << QList{1, 0};
        QTest::newRow("no best yet: ahead whatever its slot")
            << QList{car(2, false, fast), car(2, false, fast), car(2, false, fast),
                     car(2, false, none)}
            << QList{3, 0, 1, 2};
        QTest::newRow("a ten-minute best behind a nine-minute one")
            << QList{car(1, false, 600000), car(1, false, 599999)} << QList{1, 0};
        QTest::newRow("no best on either: lower slot first")
            << QList{car(2, true, none), car(2, true, none)} << QList{0, 1};
        QTest::newRow("figures without a timed lap: behind every best")
            << QList{car(4, false, kaltero::core::kNoLapTicks), car(4, false, slow)} << QList{1, 0};
        QTest::newRow("laps past 999 keep more laps first")
            << QList{car(998, false, fast), car(1000, false, slow), car(999, false, slow),
                     car(1001, true, fast)}
            << QList{3, 1, 2, 0};
        QTest::newRow("five cars")
            << QList{car(4, false, slow), car(5, true, slow), car(5, false, slow),
                     car(4, false, fast), car(5, false, fast)}
            << QList{4, 2, 3, 0, 1};
    }
    void ranking() {
        QFETCH(QList<StandingsCar>, cars);
        QFETCH(QList<int>, slots);
        const Standings s = UpdateStandings(cars);
        QCOMPARE(s.rows.size(), cars.size());
        QList<int> ranked;
        for (const auto& row : s.rows) {
            ranked << row.slot;
        }
        QCOMPARE(ranked, slots);
    }

    void rankRowLabels() {
        const QList<StandingsCar> cars{
            StandingsCar{5, false, 4, u"ｶﾛｰﾗ"_s, -1, 83456},
            StandingsCar{7, true, 7, u"シビック"_s, -1, 81000},
        };
        const Standings s = UpdateStandings(cars);
        QCOMPARE(s.rows.size(), 2);
        QCOMPARE(s.rows[0].carName, u"シビック"_s);
        QCOMPARE(s.rows[0].lap, qint64(7));
        QCOMPARE(s.rows[0].bestTicks.value_or(-1), 81000);
        QCOMPARE(s.rows[0].bestLap, 7);
        QCOMPARE(s.rows[1].carName, u"ｶﾛｰﾗ"_s);
        QCOMPARE(s.rows[1].lap, qint64(6));
        QCOMPARE(s.rows[1].bestTicks.value_or(-1), 83456);
        QCOMPARE(s.rows[1].bestLap, 4);
    }

    void currentLap_data() {
        QTest::addColumn<qint32>("lapCnt");
        QTest::addColumn<bool>("pending");
        QTest::addColumn<qint64>("lap");
        QTest::newRow("closed laps: next one") << 5 << false << qint64(6);
        QTest::newRow("counted, not closed") << 5 << true << qint64(5);
        QTest::newRow("before the first lap") << 0 << false << qint64(1);
        QTest::newRow("largest count does not overflow")
            << std::numeric_limits<qint32>::max() << false << qint64(2147483648);
    }
    void currentLap() {
        QFETCH(qint32, lapCnt);
        QFETCH(bool, pending);
        QTEST(kaltero::link::currentLap(lapCnt, pending), "lap");
    }

    // With a slot without an address between two cars, the rows name the real slots.
    void slotsWithAGap() {
        QList<StandingsCar> cars{car(5, false, 83456), car(5, false, 83456), car(6, false, 90000)};
        cars[0].slot = 0;
        cars[0].carName = u"A"_s;
        cars[1].slot = 2;
        cars[1].carName = u"C"_s;
        cars[2].slot = 4;
        cars[2].carName = u"E"_s;
        const Standings s = UpdateStandings(cars);
        QCOMPARE(s.rows.size(), 3);
        QCOMPARE(s.rows[0].slot, 4);
        QCOMPARE(s.rows[0].carName, u"E"_s);
        QCOMPARE(s.rows[1].slot, 0);
        QCOMPARE(s.rows[1].carName, u"A"_s);
        QCOMPARE(s.rows[2].slot, 2);
        QCOMPARE(s.rows[2].carName, u"C"_s);
    }

    void oneCarIsNotRanked() {
        const Standings s = UpdateStandings({car(3, false, 83456)});
        QVERIFY(s.rows.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestStandings)
#include "test_standings.moc"
