#include "common/timed_race.h"
#include "link/lap_closing.h"
#include "link/lap_repair.h"
#include "model/race_model.h"
#include "race/csv_report.h"
#include "timing/median_lap.h"

#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

// A car whose laps end at the given ticks (the last one still running when asked), with its
// stops; its record goes out as recorded.
struct RepairedCar : testing::TimedRace {
    RepairedCar(const QList<qint32>& lapEnds, bool lastRunning, const QString& stops) {
        race.setAddress(0, u"10.0.0.1"_s, true);
        race.chooseDriver(0, u"山田"_s, u"0"_s);
        race.start(QDateTime(QDate(2026, 4, 3), QTime(10, 0)), std::nullopt);
        qint32 lapNo = 0;
        qint32 from = 0;
        for (qint32 end : lapEnds) {
            race.countLap(0, u"0"_s);
            ++lapNo;
            core::Lap lap;
            lap.timed = true;
            lap.ticks = end - from;
            lap.driver = u"山田"_s;
            lap.endTick = end;
            race.recordLap(0, lapNo, lap, end, std::nullopt, u"R"_s);
            from = end;
        }
        if (lastRunning) {
            race.countLap(0, u"0"_s);
        }
        for (const QString& stop : stops.split(u' ', Qt::SkipEmptyParts)) {
            const QStringList f = stop.split(QRegularExpression(u"[:-]"_s));
            race.recordPitStop(0, {f[0].toInt(), f[1].toInt(), f[2].toInt(), false});
        }
    }
    const core::CarSlot& car() const { return race.car(0); }
    QList<qint32> lapTicks() const {
        QList<qint32> ticks;
        for (const core::Lap& lap : car().laps) {
            ticks << (lap.timed ? lap.ticks : -1);
        }
        return ticks;
    }
    // "lap:start-end" for each stop, in order.
    QString stops() const {
        QStringList out;
        for (const core::PitStop& s : car().pitStops) {
            out << u"%1:%2-%3"_s.arg(s.lap).arg(s.startTick).arg(s.endTick);
        }
        return out.join(u' ');
    }
    void merge(qint32 lapNo) { race.mergeLaps(0, lapNo, link::mergedLap(car(), lapNo)); }
    void split(qint32 lapNo, qint32 firstTicks) {
        const link::SplitLaps parts = link::splitLaps(car(), lapNo, firstTicks);
        race.splitLap(0, lapNo, parts.first, parts.second);
    }
};

using Ticks = QList<qint32>;
using Refusal = link::RepairRefusal;

}  // namespace

Q_DECLARE_METATYPE(kaltero::link::RepairRefusal)

class TestLapRepair : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A Wi-Fi hole in a stop: the false lap and the next become one, the stop cut in two is one
    // stop spanning the hole, later laps and stops renumber.
    void merge_data() {
        QTest::addColumn<Ticks>("lapEnds");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("stops");
        QTest::addColumn<int>("lapNo");
        QTest::addColumn<Ticks>("laps");
        QTest::addColumn<QString>("stopsAfter");
        QTest::newRow("hole in a stop")
            << Ticks{60000, 120000, 152500, 189001, 249001} << true
            << u"3:120000-145000 4:152500-180500 5:200000-210000"_s << 3
            << Ticks{60000, 60000, 69001, 60000, -1} << u"3:120000-180500 4:200000-210000"_s;
        QTest::newRow("missed stop") << Ticks{60000, 90000, 150000} << false << u"1:10-20"_s << 2
                                     << Ticks{60000, 90000} << u"1:10-20"_s;
        QTest::newRow("one stop moves down")
            << Ticks{60000, 90000, 150000} << false << u"3:90000-100000"_s << 2
            << Ticks{60000, 90000} << u"2:90000-100000"_s;
    }
    void merge() {
        QFETCH(Ticks, lapEnds);
        QFETCH(bool, running);
        QFETCH(QString, stops);
        QFETCH(int, lapNo);
        RepairedCar c(lapEnds, running, stops);
        const qint32 before = c.car().LapCnt;
        QVERIFY(!link::mergeRefusal(c.car(), lapNo));
        c.merge(lapNo);
        QTEST(c.lapTicks(), "laps");
        QTEST(c.stops(), "stopsAfter");
        QCOMPARE(c.car().LapCnt, before - 1);
        QCOMPARE(c.car().LapFlag, core::RecordFlag::Corrected);
        QCOMPARE(c.car().laps[lapNo - 1].endTick, lapEnds[lapNo]);
        QVERIFY(c.car().laps[lapNo - 1].remarks.contains(u"結合"_s));
    }

    // A missed pass: the double lap becomes two, each stop in the part its ticks fall in.
    void split_data() {
        QTest::addColumn<Ticks>("lapEnds");
        QTest::addColumn<QString>("stops");
        QTest::addColumn<int>("lapNo");
        QTest::addColumn<int>("firstTicks");
        QTest::addColumn<Ticks>("laps");
        QTest::addColumn<QString>("stopsAfter");
        QTest::newRow("missed pass")
            << Ticks{60000, 180000, 240000} << u"2:60000-70000 2:130000-150000 3:180000-190000"_s
            << 2 << 60000 << Ticks{60000, 60000, 60000, 60000, -1}
            << u"2:60000-70000 3:130000-150000 4:180000-190000"_s;
        QTest::newRow("the lap before the running one")
            << Ticks{60000, 180000} << QString() << 2 << 50000 << Ticks{60000, 50000, 70000, -1}
            << QString();
    }
    void split() {
        QFETCH(Ticks, lapEnds);
        QFETCH(QString, stops);
        QFETCH(int, lapNo);
        QFETCH(int, firstTicks);
        RepairedCar c(lapEnds, true, stops);
        const qint32 before = c.car().LapCnt;
        QVERIFY(!link::splitRefusal(c.car(), lapNo, firstTicks));
        c.split(lapNo, firstTicks);
        QTEST(c.lapTicks(), "laps");
        QTEST(c.stops(), "stopsAfter");
        QCOMPARE(c.car().LapCnt, before + 1);
        QCOMPARE(c.car().LapFlag, core::RecordFlag::Corrected);
        QCOMPARE(c.car().laps[lapNo - 1].endTick, lapEnds[lapNo - 2] + firstTicks);
        QCOMPARE(c.car().laps[lapNo].endTick, lapEnds[lapNo - 1]);
    }

    // Undone in turn, merges and splits give back the laps, stops and lap count they found;
    // replayed, the operations give the same race.
    void undoAndReplay() {
        RepairedCar c({60000, 120000, 152500, 189001, 309001}, true,
                      u"3:120000-145000 4:152500-180500"_s);
        const QList<core::Lap> laps = c.car().laps;
        const QString stops = c.stops();
        c.merge(3);
        c.split(4, 60000);
        const core::CarSlot repaired = c.car();
        QCOMPARE(c.race.lapToUndo(0), 4);
        QVERIFY(c.race.undoLapRepair(0));
        QVERIFY(c.race.undoLapRepair(0));
        QVERIFY(!c.race.undoLapRepair(0));
        QCOMPARE(c.stops(), stops);
        QCOMPARE(c.car().LapCnt, 6);
        QCOMPARE(c.lapTicks(), (Ticks{60000, 60000, 32500, 36501, 120000, -1}));
        QCOMPARE(c.car().laps[2].remarks, laps[2].remarks);

        RepairedCar replayed({}, false, {});
        for (const model::Change& op : c.operations) {
            replayed.race.replay(op);
        }
        QCOMPARE(replayed.stops(), c.stops());
        QCOMPARE(replayed.lapTicks(), c.lapTicks());
        QCOMPARE(replayed.car().LapFlag, core::RecordFlag::Corrected);
        // Half-way: the repairs replayed, not yet undone.
        RepairedCar half({}, false, {});
        for (const model::Change& op : c.operations) {
            if (op.op != model::Op::LapRepairUndone) {
                half.race.replay(op);
            }
        }
        QCOMPARE(half.lapTicks(), (Ticks{60000, 60000, 69001, 60000, 60000, -1}));
        QCOMPARE(half.stops(), u"3:120000-180500"_s);
        QCOMPARE(half.car().BestLapTicks, repaired.BestLapTicks);
        QCOMPARE(half.car().AveLapTicks, repaired.AveLapTicks);
    }

    // The CSV of a merged hole: the stop lies within its lap, renumbered laps after it.
    void csvShowsTheRepairedLaps() {
        RepairedCar c({60000, 120000, 152500, 189001, 249001}, false,
                      u"3:120000-145000 4:152500-180500"_s);
        c.merge(3);
        const QStringList lines = race::csvLines(c.race.state(), c.settings);
        QCOMPARE(lines.size(), 5);  // the header and four laps
        const QStringList lap3 = lines[3].split(u',');
        QCOMPARE(lap3[2], u"3"_s);
        QCOMPARE(lap3[3], u"69001"_s);
        QCOMPARE(lap3[6], u"結合"_s);
        QCOMPARE(lap3.last(), u"60500"_s);
        QCOMPARE(lines[4].split(u',').value(2), u"4"_s);
    }

    // A lap the operator typed a time for shows, merged or split, the ticks it then holds: the
    // edit was of the lap before the repair.
    void repairedEditShowsItsTicks_data() {
        QTest::addColumn<bool>("merge");
        QTest::addColumn<int>("editedLap");
        QTest::addColumn<QString>("time");
        QTest::newRow("merged, first edited") << true << 1 << race::csvField(u"2'00\"000"_s);
        QTest::newRow("merged, second edited") << true << 2 << race::csvField(u"2'00\"000"_s);
        QTest::newRow("split") << false << 1 << race::csvField(u"0'50\"000"_s);
    }
    void repairedEditShowsItsTicks() {
        QFETCH(bool, merge);
        QFETCH(int, editedLap);
        RepairedCar c({60000, 120000}, false, {});
        c.race.editLapTime(0, editedLap, u"1'0\"0"_s, 60000);
        if (merge) {
            c.merge(1);
        } else {
            c.split(1, 50000);
        }
        QTEST(race::csvLines(c.race.state(), c.settings).value(1).split(u',').value(4), "time");
    }

    // What cannot be repaired is refused, with the reason.
    void refused_data() {
        QTest::addColumn<bool>("merge");
        QTest::addColumn<int>("lapNo");
        QTest::addColumn<int>("firstTicks");
        QTest::addColumn<Refusal>("reason");
        QTest::newRow("merge into the running lap") << true << 2 << 0 << Refusal::NextLapRunning;
        QTest::newRow("merge the last lap") << true << 3 << 0 << Refusal::NoNextLap;
        QTest::newRow("merge no lap") << true << 0 << 0 << Refusal::NoNextLap;
        QTest::newRow("split the running lap") << false << 3 << 100 << Refusal::LapRunning;
        QTest::newRow("split no lap") << false << 4 << 100 << Refusal::NoLap;
        QTest::newRow("split past the lap's end") << false << 1 << 60000 << Refusal::OutsideLap;
        QTest::newRow("split at its start") << false << 1 << 0 << Refusal::OutsideLap;
    }
    void refused() {
        QFETCH(bool, merge);
        QFETCH(int, lapNo);
        QFETCH(int, firstTicks);
        RepairedCar c({60000, 120000}, true, {});
        const auto refusal = merge ? link::mergeRefusal(c.car(), lapNo)
                                   : link::splitRefusal(c.car(), lapNo, firstTicks);
        QVERIFY(refusal.has_value());
        QTEST(*refusal, "reason");
    }

    // A lap-count correction takes the stops of the laps it removes; laps it adds were driven
    // by the driver in the car. Replayed, the same.
    void correctionKeepsStopsAndDrivers_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("stops");
        QTest::addColumn<QString>("lastDriver");
        QTest::newRow("down") << 2 << u"2:60000-80000"_s << u"山田"_s;
        QTest::newRow("up") << 6 << u"2:60000-80000 3:120000-150000"_s << u"鈴木"_s;
    }
    void correctionKeepsStopsAndDrivers() {
        QFETCH(int, n);
        RepairedCar c({60000, 120000, 180000}, true, u"2:60000-80000 3:120000-150000"_s);
        c.race.chooseDriver(0, u"鈴木"_s, u"0"_s);
        c.race.correctLapCount(0, n);
        QTEST(c.stops(), "stops");
        QTEST(c.car().laps.last().driver, "lastDriver");
        RepairedCar replayed({}, false, {});
        for (const model::Change& op : c.operations) {
            replayed.race.replay(op);
        }
        QCOMPARE(replayed.stops(), c.stops());
        QCOMPARE(replayed.car().laps.last().driver, c.car().laps.last().driver);
    }

    // The silence keeps with the lap the contact period that ended it; replayed, the lap
    // keeps it too.
    void contactEvidence() {
        RepairedCar c({60000}, false, {});
        c.race.reportHandled(0, 60000);
        c.race.reportHandled(0, 61000);
        c.race.reportHandled(0, 62500);
        c.race.countLap(0, u"0"_s);
        RepairedCar replayed({}, false, {});
        for (const model::Change& op : c.operations) {
            replayed.race.replay(op);
        }
        for (const RepairedCar* car : {&c, &replayed}) {
            QCOMPARE(car->car().laps[0].contactLastTick, 62500);
            QCOMPARE(car->car().laps[0].contactReports, 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestLapRepair)
#include "test_lap_repair.moc"
