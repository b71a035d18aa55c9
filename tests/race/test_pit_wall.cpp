#include "race/pit_wall.h"

#include <QTest>
#include <limits>

using kaltero::race::ContactPeriod;
using kaltero::race::FuelLaps;

class TestPitWall : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contactPeriodsAndStops_data() {
        QTest::addColumn<QList<qint32>>("reports");
        QTest::addColumn<QList<ContactPeriod>>("periods");
        QTest::addColumn<QList<bool>>("stops");  // pit stop threshold 20000 ticks
        QTest::newRow("passes along the straight")
            << QList<qint32>{0, 500, 1000, 40000, 40400}
            << QList<ContactPeriod>{{0, 1000}, {40000, 40400}} << QList<bool>{false, false};
        QTest::newRow("one report short of a stop")
            << QList<qint32>{0, 10000, 19999} << QList<ContactPeriod>{{0, 19999}}
            << QList<bool>{false};
        QTest::newRow("exactly at the threshold is no stop")
            << QList<qint32>{0, 10000, 20000} << QList<ContactPeriod>{{0, 20000}}
            << QList<bool>{false};
        QTest::newRow("one tick over is a stop")
            << QList<qint32>{0, 5000, 10000, 15000, 20001} << QList<ContactPeriod>{{0, 20001}}
            << QList<bool>{true};
        QTest::newRow("a gap of exactly the silence keeps the period")
            << QList<qint32>{0, 10000, 20000, 30000} << QList<ContactPeriod>{{0, 30000}}
            << QList<bool>{true};
        QTest::newRow("leaving reach in the pit ends the stop at its last report")
            << QList<qint32>{0, 9000, 18000, 27000, 60000}
            << QList<ContactPeriod>{{0, 27000}, {60000, 60000}} << QList<bool>{true, false};
        QTest::newRow("no report") << QList<qint32>{} << QList<ContactPeriod>{} << QList<bool>{};
    }

    void contactPeriodsAndStops() {
        QFETCH(QList<qint32>, reports);
        QFETCH(QList<ContactPeriod>, periods);
        QFETCH(QList<bool>, stops);
        const QList<ContactPeriod> found = kaltero::race::contactPeriods(reports, 10000);
        QCOMPARE(found, periods);
        QList<bool> isStop;
        for (const ContactPeriod& p : found) {
            isStop << kaltero::race::isPitStop(p, 20000);
        }
        QCOMPARE(isStop, stops);
    }

    void fuelLaps_data() {
        QTest::addColumn<qint32>("course");
        QTest::addColumn<float>("economy");
        QTest::addColumn<float>("total");
        QTest::addColumn<qint32>("lapsDriven");
        QTest::addColumn<std::optional<FuelLaps>>("expected");
        QTest::newRow("40 l left at 2 l a lap")
            << 4000 << 2000.0F << 60.0F << 10 << std::optional(FuelLaps{20, 30});
        QTest::newRow("part of a lap left counts no lap")
            << 4000 << 2000.0F << 61.9F << 10 << std::optional(FuelLaps{20, 30});
        QTest::newRow("fuel used up")
            << 4000 << 2000.0F << 20.0F << 10 << std::optional(FuelLaps{0, 10});
        QTest::newRow("no course") << 0 << 2000.0F << 60.0F << 10 << std::optional<FuelLaps>();
        QTest::newRow("no economy") << 4000 << 0.0F << 60.0F << 10 << std::optional<FuelLaps>();
        QTest::newRow("fuel not a number")
            << 4000 << 2000.0F << std::numeric_limits<float>::quiet_NaN() << 10
            << std::optional<FuelLaps>();
        QTest::newRow("beyond any race")
            << 1 << 3.0e38F << 3.0e38F << 0 << std::optional<FuelLaps>();
    }

    void fuelLaps() {
        QFETCH(qint32, course);
        QFETCH(float, economy);
        QFETCH(float, total);
        QFETCH(qint32, lapsDriven);
        QFETCH(std::optional<FuelLaps>, expected);
        QCOMPARE(kaltero::race::fuelLaps(course, economy, total, lapsDriven), expected);
    }
};

QTEST_GUILESS_MAIN(TestPitWall)
#include "test_pit_wall.moc"
