#include "common/file_bytes.h"
#include "console_fixture.h"
#include "test_car.h"
#include "timing/pit_wall.h"
#include "timing/time_text.h"
#include "widgets/grid.h"

#include <QPushButton>
#include <QTableView>

using kaltero::testing::ConsoleFixture;
using kaltero::testing::JournalFiles;
using kaltero::testing::Race;
using kaltero::testing::readBytes;
using kaltero::testing::TestCar;
using kaltero::testing::writeBytes;
using namespace Qt::StringLiterals;

namespace {

// The car drives laps first..last-1 of a started race: a silence, then its report.
void driveLaps(ConsoleFixture& race, TestCar& car, int first, int last, qint64 lapMs = 11'000) {
    for (int lap = first; lap < last; ++lap) {
        race.clock.advance(lapMs);
        QVERIFY(car.exchange(TestCar::lapReport(lap)).startsWith(u'N'));
    }
}

void setPrecision(ConsoleFixture& console, const QString& precision) {
    console.console.settings.Precision = precision;
    console.console.settings.derive();
}

}  // namespace

class TestResumeLaps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A race started at 1/100 and resumed with 1/1000 set meanwhile stays a race of 1/100: its
    // figures read as timed and its next laps are timed in the same units.
    void resumedRaceKeepsItsPrecision() {
        JournalFiles files;
        {
            Race race;
            setPrecision(race, u"1/100"_s);
            TestCar car(0);
            race.start();
            driveLaps(race, car, 0, 2);
            QCOMPARE(
                kaltero::timing::FormatLapTime(race.car(0).BestLapTicks, race.console.settings),
                u"0'11\"00"_s);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        // Kaltero.ini of the restart holds the default, 1/1000.
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(60), true);
        QCOMPARE(again.console.settings.TicksPerSecond, 100);
        QCOMPARE(kaltero::timing::FormatLapTime(again.state().car[0].BestLapTicks,
                                                again.console.settings),
                 u"0'11\"00"_s);
        TestCar car(0);
        driveLaps(again, car, 2, 3);
        // From the end of lap 2 (22 s) to the report 60 + 11 s after the start.
        const auto& lap = again.state().car[0].laps.value(2);
        QCOMPARE(lap.ticks, 4900);
        QCOMPARE(kaltero::timing::lapTimeText(lap, again.console.settings), u"0'49\"00"_s);

        // The precision set takes effect at the next Start.
        again.prompts.answerYesNo(true);
        again.ui().Btn_Start->click();
        again.ui().Btn_Start->click();
        QVERIFY(again.model.timing());
        QCOMPARE(again.console.settings.TicksPerSecond, 1000);
    }

    // The first lap after a restart holds the time the console was down, on a clock that may
    // have moved: shorter than any with the clock a minute behind, an hour more with it an hour
    // ahead.
    // Shown and kept, it is no figure of the car or the driver, nor in the stint's time.
    void lapAcrossTheRestartIsNoFigure_data() {
        QTest::addColumn<qint64>("laterSecs");
        QTest::newRow("clock a minute behind") << qint64(-60);
        QTest::newRow("clock an hour ahead") << qint64(3600);
    }
    void lapAcrossTheRestartIsNoFigure() {
        QFETCH(qint64, laterSecs);
        JournalFiles files;
        {
            Race race;
            TestCar car(0);
            race.start();
            driveLaps(race, car, 0, 2, 20'000);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(laterSecs), true);
        TestCar car(0);
        driveLaps(again, car, 2, 3);  // 11 s by the clock a minute behind
        driveLaps(again, car, 3, 4, 20'000);
        const auto& c = again.state().car[0];
        QCOMPARE(c.laps.size(), 4);
        QVERIFY(c.laps[2].remarks.contains(u"再開"_s));
        QVERIFY(c.laps[2].ticks != 20'000);
        QCOMPARE(c.BestLapTicks, 20'000);
        QCOMPARE(c.BestLapNo, 1);
        QCOMPARE(c.AveLapTicks, std::optional<qint32>(20'000));
        QCOMPARE(c.DrvBestLapTicks, 20'000);
        QCOMPARE(c.DrvTotalTicks, 60'000);
        QCOMPARE(c.DrvLapCnt, 3);
        const auto stint = kaltero::timing::currentStint(c, again.console.TickCnt());
        QVERIFY(stint);
        QCOMPARE(stint->laps, 5);  // with the lap now begun
        QCOMPARE(stint->ticks, 60'000);
    }

    // Changed in the settings while timing, the precision is kept for the next Start: the race
    // goes on in its own units.
    void precisionSetWhileTimingWaitsForTheNextStart() {
        Race race;
        TestCar car(0);
        race.start();
        driveLaps(race, car, 0, 1);
        race.ui().Btn_Mess->click();
        auto* settings = race.find<QTableView>(u"Spd_Mess"_s);
        settings->model()->setData(settings->model()->index(0, 1), u"1/100"_s);
        race.find<QPushButton>(u"Btn_MessOk"_s)->click();
        QCOMPARE(race.console.settings.Precision, u"1/100"_s);  // stored, shown in the panel
        QCOMPARE(race.console.settings.TicksPerSecond, 1000);
        driveLaps(race, car, 1, 2);
        QCOMPARE(kaltero::timing::lapTimeText(race.car(0).laps.value(1), race.console.settings),
                 u"0'11\"000"_s);
        race.stop();
        race.start();
        QCOMPARE(race.console.settings.TicksPerSecond, 100);
    }
};

QTEST_MAIN(TestResumeLaps)
#include "test_resume_laps.moc"
