#include "common/file_bytes.h"
#include "common/whole_race.h"
#include "console_fixture.h"
#include "test_car.h"
#include "widgets/lap_grid.h"

#include <QAction>
#include <QTableView>

using kaltero::testing::Compare;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::JournalFiles;
using kaltero::testing::Race;
using kaltero::testing::TestCar;
using kaltero::testing::wholeRace;
using kaltero::widgets::LapGrid;
using namespace Qt::StringLiterals;

namespace {

constexpr int kTime = kaltero::core::lap_grid::kTime;

void select(LapGrid* grid, int lapNo) {
    grid->setCurrent(kTime, lapNo);
    grid->activateCurrent();
}

QStringList column(LapGrid* grid, int col) {
    QStringList cells;
    for (int r = 1; r <= grid->rowCount(); ++r) {
        cells << grid->cellText(col, r);
    }
    return cells;
}
QStringList lapTimes(LapGrid* grid) {
    return column(grid, kTime);
}
QStringList remarks(LapGrid* grid) {
    return column(grid, kaltero::core::lap_grid::kRemarks);
}

}  // namespace

class TestLapRepairWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The operator splits a missed pass and merges a false lap through the lap grid; the car
    // takes its record as corrected. Killed and resumed, the console shows the laps repaired,
    // and the last repair can still be undone.
    void repairedLapsOutliveAKill() {
        JournalFiles files;
        QByteArray repaired;
        const QString s11 = u"0'11\"000"_s;
        const QString s22 = u"0'22\"000"_s;
        {
            Race race;
            // Set up as the operator does it, so the slot's lap grid is shown.
            race.prompts.answerInput(u"127.0.0.1"_s);
            race.ui().Car[0]->Btn_ClientNoSet->click();
            TestCar car(0);
            race.start();
            int held = 0;
            for (qint64 ms : {11'000, 22'000, 11'000, 11'000}) {
                race.clock.advance(ms);
                QVERIFY(car.exchange(TestCar::lapReport(held++)).startsWith(u'N'));
            }
            auto* grid = race.ui().Car[0]->Spd_Laps;
            // The missed pass asks for the operator's eye, in the grid and on the pit wall.
            QCOMPARE(remarks(grid), (QStringList{{}, u"要確認"_s, {}, {}}));
            race.ui().Btn_PitWall->click();
            auto* checks = race.find<QTableView>(u"Tbl_LapChecks"_s)->model();
            QCOMPARE(checks->rowCount(), 1);
            QCOMPARE(checks->index(0, 1).data().toString(), u"2"_s);
            QCOMPARE(checks->index(0, 3).data().toString(), u"長い周"_s);

            select(grid, 2);
            race.prompts.answerInput(s11);
            race.find<QAction>(u"Act_LapSplit_0"_s)->trigger();
            QCOMPARE(race.prompts.calls().last().preset, s11);  // the car's median lap
            QCOMPARE(lapTimes(grid), QStringList(5, s11));
            QCOMPARE(remarks(grid), (QStringList{{}, u"分割"_s, u"分割"_s, {}, {}}));
            QCOMPARE(checks->rowCount(), 0);

            select(grid, 4);
            race.prompts.answerYesNo(true);
            QApplication::setActiveWindow(grid->window());
            QVERIFY(QTest::qWaitForWindowActive(grid->window()));
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_M, Qt::ControlModifier);
            QCOMPARE(lapTimes(grid), (QStringList{s11, s11, s11, s22}));
            QVERIFY(grid->cellText(kaltero::core::lap_grid::kRemarks, 4).contains(u"結合"_s));

            // Still within reach: the repair waits for the silence that counts the next lap.
            race.clock.advance(500);
            car.exchange(TestCar::lapReport(held));
            QCOMPARE(lapTimes(grid), (QStringList{s11, s11, s11, s22}));
            race.clock.advance(11'000);
            QVERIFY(car.exchange(TestCar::lapReport(held)).startsWith(u'C'));
            QCOMPARE(race.car(0).laps.size(), 5);
            QCOMPARE(race.prompts.pendingAnswers(), 0);
            repaired = wholeRace(race.model, Compare::Resumed);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(90), true);
        QCOMPARE(wholeRace(again.model, Compare::Resumed), repaired);
        auto* grid = again.ui().Car[0]->Spd_Laps;
        QCOMPARE(lapTimes(grid), (QStringList{s11, s11, s11, s22, u"0'11\"500"_s}));

        again.prompts.answerYesNo(true);
        again.find<QAction>(u"Act_LapRepairUndo_0"_s)->trigger();
        QCOMPARE(lapTimes(grid), (QStringList{s11, s11, s11, s11, s11, u"0'11\"500"_s}));
        QCOMPARE(again.state().car[0].LapCnt, 6);
    }
};

QTEST_MAIN(TestLapRepairWindow)
#include "test_lap_repair_window.moc"
