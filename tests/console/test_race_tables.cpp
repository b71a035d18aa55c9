// The race's tables as item models, checked by Qt's model tester while a race runs through its
// operations, and the operator's lap edits through them.

#include "console/race_tables.h"
#include "model/race_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;
using console::DriverTableModel;
using console::LapTableModel;
using console::StandingsModel;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

core::Lap timedLap(qint32 ticks, const QString& driver) {
    core::Lap lap;
    lap.timed = true;
    lap.ticks = ticks;
    lap.driver = driver;
    return lap;
}

model::Figures driverBest(qint32 ticks, qint32 lapNo) {
    model::Figures f;
    f.BestLapTicks = ticks;
    f.BestLapNo = lapNo;
    f.DrvBestLapTicks = ticks;
    f.DrvBestLapNo = lapNo;
    f.DrvAveLapTicks = ticks;
    return f;
}

// Every row of a column, top down.
QStringList column(const QAbstractItemModel& m, int col) {
    QStringList texts;
    for (int r = 0; r < m.rowCount(); ++r) {
        texts.append(m.index(r, col).data().toString());
    }
    return texts;
}

}  // namespace

class TestRaceTables : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followTheRace();
    void editLap_data();
    void editLap();
};

void TestRaceTables::followTheRace() {
    const core::Settings settings;
    model::RaceModel race;
    race.setAddress(0, QStringLiteral("192.168.0.10"), true);
    race.setAddress(1, QStringLiteral("192.168.0.11"), true);
    LapTableModel laps(race, 0, settings);
    LapTableModel otherLaps(race, 1, settings);
    DriverTableModel drivers(race, 0, settings);
    StandingsModel standings(race, settings);
    using Mode = QAbstractItemModelTester::FailureReportingMode;
    QAbstractItemModelTester t1(&laps, Mode::QtTest);
    QAbstractItemModelTester t2(&otherLaps, Mode::QtTest);
    QAbstractItemModelTester t3(&drivers, Mode::QtTest);
    QAbstractItemModelTester t4(&standings, Mode::QtTest);

    race.chooseDriver(0, QStringLiteral("A"), QStringLiteral("0"));
    race.start(kStart, std::nullopt);
    race.countLap(0, {});
    race.recordLap(0, 1, timedLap(83456, QStringLiteral("A")), 83456, driverBest(83456, 1), {});
    race.countLap(0, {});
    race.countLap(0, {});
    QCOMPARE(column(laps, LapTableModel::kTime), QStringList({u"1'23\"456"_s, u""_s, u""_s}));
    QCOMPARE(column(laps, LapTableModel::kTicks), QStringList({u"83456"_s, u""_s, u""_s}));
    QCOMPARE(column(drivers, DriverTableModel::kBest), QStringList({u"1'23\"456-1L"_s}));

    race.correctLapCount(0, 1);
    QCOMPARE(laps.rowCount(), 1);
    race.correctLapCount(0, 3);
    QCOMPARE(column(laps, LapTableModel::kTime), QStringList({u"1'23\"456"_s, u""_s, u""_s}));
    // A report may close a lap past the counted ones. Laps the correction added were driven
    // by the driver then in the car.
    race.chooseDriver(0, QStringLiteral("B"), QStringLiteral("0"));
    race.recordLap(0, 5, timedLap(82000, QStringLiteral("B")), 300000, driverBest(82000, 5), {});
    QCOMPARE(column(laps, LapTableModel::kDriver),
             QStringList({u"A"_s, u"A"_s, u"A"_s, u""_s, u"B"_s}));
    QCOMPARE(column(drivers, DriverTableModel::kName), QStringList({u"A"_s, u"B"_s}));
    QCOMPARE(column(drivers, DriverTableModel::kBest),
             QStringList({u"1'23\"456-1L"_s, u"1'22\"000-5L"_s}));
    race.editLapTime(0, 2, QStringLiteral("1'30\"000"), 90000);
    race.editLapDriver(0, 2, QStringLiteral("C"));
    race.editLapRemarks(0, 2, QStringLiteral("pit"));
    QCOMPARE(laps.index(1, LapTableModel::kRemarks).data().toString(), u"pit");
    QCOMPARE(otherLaps.rowCount(), 0);

    race.updateStandings(
        {{.slot = 0, .carName = QStringLiteral("Red"), .lap = 6, .bestTicks = 82000, .bestLap = 5},
         {.slot = 1,
          .carName = QStringLiteral("Blue"),
          .lap = 1,
          .bestTicks = std::nullopt,
          .bestLap = 0}});
    // A position no car holds shows its rank alone.
    QCOMPARE(column(standings, StandingsModel::kRank),
             QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    QCOMPARE(column(standings, StandingsModel::kCarName),
             QStringList({u"Red"_s, u"Blue"_s, {}, {}, {}}));
    QCOMPARE(column(standings, StandingsModel::kLap), QStringList({u"6"_s, u"1"_s, {}, {}, {}}));
    QCOMPARE(column(standings, StandingsModel::kBestTime),
             QStringList({u"1'22\"000"_s, {}, {}, {}, {}}));
    QCOMPARE(column(standings, StandingsModel::kBestLap),
             QStringList({u"5"_s, u"0"_s, {}, {}, {}}));

    race.stop();
    QCOMPARE(laps.rowCount(), 5);
    // The next race starts from no laps and no standings; the drivers stay.
    race.start(kStart.addSecs(3600), std::nullopt);
    QCOMPARE(laps.rowCount(), 0);
    QCOMPARE(column(standings, StandingsModel::kCarName), QStringList(5, QString()));
    QCOMPARE(drivers.rowCount(), 2);
    race.countLap(0, {});
    QCOMPARE(laps.rowCount(), 1);
}

void TestRaceTables::editLap_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<bool>("edited");    // the race records an edit
    QTest::addColumn<QString>("shown");  // the cell afterwards
    QTest::addColumn<QString>("ticks");  // the hidden ticks afterwards

    const QString was = QStringLiteral("1'20\"000");
    QTest::newRow("valid time") << int(LapTableModel::kTime) << u"1'23\"456"_s << true << true
                                << u"1'23\"456"_s << u"83456"_s;
    QTest::newRow("unparseable time refused")
        << int(LapTableModel::kTime) << u"1'23"_s << false << false << was << u"80000"_s;
    QTest::newRow("time past the tick counter refused")
        << int(LapTableModel::kTime) << u"99999'00\"000"_s << false << false << was << u"80000"_s;
    QTest::newRow("driver") << int(LapTableModel::kDriver) << u"B"_s << true << true << u"B"_s
                            << u"80000"_s;
    QTest::newRow("remarks") << int(LapTableModel::kRemarks) << u"pit in"_s << true << true
                             << u"pit in"_s << u"80000"_s;
    QTest::newRow("same text is no edit")
        << int(LapTableModel::kDriver) << u"A"_s << true << false << u"A"_s << u"80000"_s;
    QTest::newRow("ticks read-only")
        << int(LapTableModel::kTicks) << u"1"_s << false << false << u"80000"_s << u"80000"_s;
    QTest::newRow("log read-only")
        << int(LapTableModel::kLog) << u"x"_s << false << false << u""_s << u"80000"_s;
}

void TestRaceTables::editLap() {
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    QFETCH(bool, edited);
    QFETCH(QString, shown);
    QFETCH(QString, ticks);

    const core::Settings settings;
    model::RaceModel race;
    race.setAddress(0, QStringLiteral("192.168.0.10"), true);
    race.start(kStart, std::nullopt);
    race.countLap(0, {});
    race.recordLap(0, 1, timedLap(80000, QStringLiteral("A")), 80000, std::nullopt, {});
    LapTableModel laps(race, 0, settings);
    QSignalSpy edits(&race, &model::RaceModel::changed);
    QSignalSpy redrawn(&laps, &QAbstractItemModel::dataChanged);

    const QModelIndex cell = laps.index(0, col);
    QCOMPARE(laps.flags(cell).testFlag(Qt::ItemIsEditable), col <= LapTableModel::kRemarks);
    QCOMPARE(laps.setData(cell, typed), taken);
    QCOMPARE(cell.data().toString(), shown);
    QCOMPARE(laps.index(0, LapTableModel::kTicks).data().toString(), ticks);
    // Only an edit that changes the lap goes to the race, and the views hear of it.
    QCOMPARE(edits.size(), edited ? 1 : 0);
    QCOMPARE(redrawn.size(), edited ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestRaceTables)
#include "test_race_tables.moc"
