// The engine alone, with no widget anywhere in this program: a race with every kind of operator
// operation, a stop of one car, a restart that resumes it, and Stop.
#include "common/whole_race.h"
#include "console/test_car.h"
#include "core/console_context.h"
#include "engine/engine_run.h"
#include "engine/race_engine.h"
#include "engine/session.h"
#include "journal/journal.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "race/report_inputs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace kaltero;
using namespace Qt::StringLiterals;
using testing::EngineRun;
using testing::TestCar;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

void setUpCar(model::RaceModel& race, int slot, const QString& driver) {
    race.setAddress(slot, u"127.0.0.1"_s, true);
    race.chooseCar(slot, u"Car %1"_s.arg(slot + 1), u"60"_s, 60.0F, 8500.0F);
    race.chooseDriver(slot, driver, core::kCountdownOffText);
}

}  // namespace

class TestEngineRace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void raceWithCorrectionsStopAndResume() {
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        TestCar car0(0);
        TestCar car1(1);
        QByteArray before;
        {
            EngineRun run(dir.path(), clock, false);
            auto& race = run.race;
            race.chooseCourse(u"Track"_s, 4000);
            setUpCar(race, 0, u"A"_s);
            setUpCar(race, 1, u"B"_s);
            QVERIFY(run.engine.start());

            clock.advance(15'000);  // both cars out of reach: a lap each
            QCOMPARE(car0.exchange(TestCar::lapReport(0)).left(14), u"N0010000015000"_s);
            clock.advance(3'000);
            QCOMPARE(car1.exchange(TestCar::lapReport(0)).left(14), u"N0010000018000"_s);

            race.chooseDriver(0, u"C"_s, core::kCountdownOffText);
            race.refuel(0, 20.0F);
            race.correctLapCount(1, 3);
            race.editLapTime(0, 1, u"0'14\"500"_s, 14'500);
            race.editLapRemarks(0, 1, u"ピット"_s);

            clock.advance(12'000);
            QCOMPARE(car0.exchange(TestCar::lapReport(1)).left(14), u"N0020000015000"_s);
            QCOMPARE(race.car(0).laps[1].driver, u"C"_s);
            QCOMPARE(race.car(0).BestLapTicks, 14'500);

            run.engine.stopCar(1);
            QVERIFY(race.timing());
            QVERIFY(!run.engine.lapTimer(1).isActive());
            before = testing::wholeRace(race, testing::Compare::Resumed);
        }  // the console goes down without Stop

        clock.advance(2'000);
        EngineRun again(dir.path(), clock, true);
        auto& race = again.race;
        QVERIFY(race.timing());
        QCOMPARE(testing::wholeRace(race, testing::Compare::Resumed), before);
        QVERIFY(again.engine.lapTimer(0).isActive());
        QVERIFY(!again.engine.lapTimer(1).isActive());

        // The next lap is timed on from the race's own start, and says it spans the restart.
        clock.advance(15'000);
        QCOMPARE(car0.exchange(TestCar::lapReport(2)).left(14), u"N0030000017000"_s);
        QVERIFY(race.car(0).laps[2].remarks.contains(u"再開"));
        car1.send(TestCar::lapReport(3));
        QVERIFY(!car1.receive(300));  // a stopped car is not listened to

        again.engine.stop();
        QVERIFY(!race.timing());
        QVERIFY(again.session.journal()->flush());
        QVERIFY(again.session.journal()->unfinishedRace().isEmpty());
        const QString report = dir.filePath(u"results.txt"_s);
        QString why;
        QVERIFY2(race::writeResults(race.state(), again.console.settings, report, &why),
                 qPrintable(why));
        QVERIFY(QFile(report).size() > 0);
    }

    // The silence that counts a lap goes on across a restart from the car's last report
    // before it; a car heard again soon after the restart has driven no lap.
    void silenceSpansARestart_data() {
        QTest::addColumn<int>("beforeMs");  // silent this long when the console goes down
        QTest::addColumn<int>("downMs");
        QTest::addColumn<int>("afterMs");  // heard again this long after the restart
        QTest::addColumn<QString>("reply");
        QTest::newRow("lap away, console back before the car")
            << 500 << 3'000 << 8'000 << u"N0020000011500"_s;
        QTest::newRow("short silence across a short restart")
            << 500 << 3'000 << 1'000 << u"N0010000015000"_s;
    }
    void silenceSpansARestart() {
        QFETCH(int, beforeMs);
        QFETCH(int, downMs);
        QFETCH(int, afterMs);
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        TestCar car0(0);
        {
            EngineRun run(dir.path(), clock, false);
            setUpCar(run.race, 0, u"A"_s);
            QVERIFY(run.engine.start());
            clock.advance(15'000);
            QCOMPARE(car0.exchange(TestCar::lapReport(0)).left(14), u"N0010000015000"_s);
            clock.advance(beforeMs);
        }  // killed
        clock.advance(downMs);
        EngineRun again(dir.path(), clock, true);
        QVERIFY(again.race.timing());
        clock.advance(afterMs);
        QTEST(car0.exchange(TestCar::lapReport(1)).left(14), "reply");
    }

    // A car that stays within reach longer than the threshold stopped in the pit; the stop, the
    // operator's own entry and the rules in force at Start come back with the resumed race, even
    // when the settings file says otherwise by then.
    void pitStopsAndRulesOutliveARestart() {
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        TestCar car0(0);
        QByteArray before;
        {
            EngineRun run(dir.path(), clock, false);
            run.console.settings.rules.MaxStintMinutes = 45;
            setUpCar(run.race, 0, u"A"_s);
            QVERIFY(run.engine.start());
            clock.advance(15'000);
            QCOMPARE(car0.exchange(TestCar::lapReport(0)).left(14), u"N0010000015000"_s);
            for (int i = 0; i < 5; ++i) {  // 25 s in the pit, a report every 5 s
                clock.advance(5'000);
                car0.exchange(TestCar::lapReport(1));
            }
            clock.advance(12'000);  // the silence counts lap 2, the stop falls in it
            QCOMPARE(run.race.car(0).pitStops, (QList<core::PitStop>{{2, 15'000, 40'000, false}}));
            run.race.editPitStop(0, -1, {1, 5'000, 8'000, true});
            before = testing::wholeRace(run.race, testing::Compare::Resumed);
        }
        EngineRun again(dir.path(), clock, true);
        QVERIFY(again.race.timing());
        QCOMPARE(testing::wholeRace(again.race, testing::Compare::Resumed), before);
        QCOMPARE(again.race.car(0).pitStops.size(), 2);
        QCOMPARE(again.race.state().rules.MaxStintMinutes, 45);
        QCOMPARE(again.console.settings.rules.MaxStintMinutes, 0);
    }

    // From the message's minutes before the stint's maximum, every reply carries it.
    void stintMessageBeforeTheLimit() {
        QTemporaryDir dir;
        platform::ManualClock clock(kStart);
        TestCar car0(0);
        EngineRun run(dir.path(), clock, false);
        run.console.settings.rules.MaxStintMinutes = 2;
        run.console.settings.rules.StintMessageMinutes = 1;
        run.console.settings.rules.StintMessage = u"BOX"_s;
        setUpCar(run.race, 0, u"A"_s);
        QVERIFY(run.engine.start());
        clock.advance(15'000);
        QVERIFY(!car0.exchange(TestCar::lapReport(0)).contains(u"BOX"));  // 15 s into the stint
        clock.advance(44'000);
        QVERIFY(!car0.exchange(TestCar::lapReport(0)).contains(u"BOX"));  // 59 s
        clock.advance(2'000);
        QVERIFY(car0.exchange(TestCar::lapReport(0)).contains(u" [ BOX ] "));  // 61 s
    }
};

QTEST_GUILESS_MAIN(TestEngineRace)
#include "test_engine_race.moc"
