// The pit wall in the operator's window: each car frame's stint and stop line with its colour
// and beeps, the fuel laps beside the litres left, and the pit-wall window's tables and its stop
// entries, on a race driven through the model's operations.

#include "common/file_bytes.h"
#include "console/pit_stop_dialog.h"
#include "console/pit_wall_window.h"
#include "console_fixture.h"
#include "journal/journal.h"
#include "widgets/colours.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QTableView>

using kaltero::console::PitStopDialog;
using kaltero::console::PitWallWindow;
using kaltero::core::PitStop;
using kaltero::core::RaceRules;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::JournalFiles;
using kaltero::testing::Race;
using namespace Qt::StringLiterals;

namespace {

// Car 1 in a race started at 14:00:00, driven lap by lap through the model's operations as the
// link would: the silence counts the lap, a report closes it.
struct PitRace : Race {
    explicit PitRace(const RaceRules& rules) {
        model.chooseDriver(0, u"A"_s, u"0"_s);
        start();
        model.setRules(rules);
    }
    // Moves the race on to `seconds` after the start.
    void at(qint64 seconds) { clock.advance(seconds * 1000 - console.TickCnt()); }
    void closeLap() {
        const qint32 now = console.TickCnt();
        if (!car(0).LapPending) {
            model.countLap(0, u"0"_s);
        }
        kaltero::core::Lap lap;
        lap.timed = true;
        lap.ticks = now - car(0).LapStartTick;
        lap.driver = car(0).Driver;
        model.recordLap(0, car(0).LapCnt, lap, now, std::nullopt, {});
        model.reportHandled(0, now);
    }
    QLabel* line() { return ui().Car[0]->Lbl_PitWall; }
    QString alertColour() {
        if (!line()->autoFillBackground()) {
            return u"none"_s;
        }
        const QColor c = kaltero::widgets::background(line());
        return c == kaltero::widgets::kNearLimit   ? u"amber"_s
               : c == kaltero::widgets::kPastLimit ? u"red"_s
                                                   : c.name();
    }
    PitWallWindow* openWall() {
        ui().Btn_PitWall->click();
        return find<PitWallWindow>(u"Frm_PitWall"_s);
    }
};

QList<QStringList> rows(PitWallWindow* wall, const QString& table) {
    const QAbstractItemModel* m = wall->findChild<QTableView*>(table)->model();
    QList<QStringList> out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m->columnCount(); ++c) {
            row.append(m->index(r, c).data().toString());
        }
        out.append(row);
    }
    return out;
}

// The stop dialog now open over the window (one closed before may still await deletion).
PitStopDialog* openDialog(PitWallWindow* wall) {
    for (auto* d : wall->findChildren<PitStopDialog*>(u"Dlg_PitStop"_s)) {
        if (d->isVisible()) {
            return d;
        }
    }
    return nullptr;
}

void enter(PitStopDialog* d, const QString& lap, const QString& start, const QString& length) {
    d->findChild<QLineEdit*>(u"Txt_PitStopLap"_s)->setText(lap);
    d->findChild<QLineEdit*>(u"Txt_PitStopStart"_s)->setText(start);
    d->findChild<QLineEdit*>(u"Txt_PitStopLength"_s)->setText(length);
    d->findChild<QPushButton*>(u"Btn_PitStopOk"_s)->click();
}

void selectStop(PitWallWindow* wall, int row) {
    auto* view = wall->findChild<QTableView*>(u"Tbl_PitStops"_s);
    view->setCurrentIndex(view->model()->index(row, 0));
}

const RaceRules kRules{.MaxStintMinutes = 10, .MinPitStopSeconds = 60, .MinPitStops = 2};

}  // namespace

class TestPitWallView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two laps by A, a third into the warning, a short stop and B out of the pit.
    void carLineFollowsTheRace() {
        PitRace race(kRules);
        struct Step {
            qint64 at;
            bool closeLap;
            QString line;
            QString colour;
            int beeps;
        };
        const QList<Step> steps = {
            {0, false, u"スティント 0:00 残り 10:00\nピット 0/2回"_s, u"none"_s, 0},
            // From the first lap on, the latest lap to pit at the median lap (2:00).
            {120, true, u"スティント 2:00 残り 8:00\nピット 0/2回 最遅ピット 5周目"_s, u"none"_s,
             0},
            {240, true, u"スティント 4:00 残り 6:00\nピット 0/2回 最遅ピット 5周目"_s, u"none"_s,
             0},
            {299, false, u"スティント 4:59 残り 5:01\nピット 0/2回 最遅ピット 5周目"_s, u"none"_s,
             0},
            {301, false, u"スティント 5:01 残り 4:59\nピット 0/2回 最遅ピット 5周目"_s, u"amber"_s,
             1},
            {360, true, u"スティント 6:00 残り 4:00\nピット 0/2回 最遅ピット 5周目"_s, u"amber"_s,
             1},
        };
        for (const Step& step : steps) {
            race.at(step.at);
            if (step.closeLap) {
                race.closeLap();
            }
            QCOMPARE(race.line()->text(), step.line);
            QCOMPARE(race.alertColour(), step.colour);
            QCOMPARE(race.prompts.beeps(), step.beeps);
        }
        // In the pit from 6:05 to 6:45 on lap 4, out with B: a new stint, the warning gone; the
        // stop is no one's driving time.
        race.at(405);
        race.model.recordPitStop(0, PitStop{4, 365'000, 405'000, false});
        race.model.chooseDriver(0, u"B"_s, u"0"_s);
        QCOMPARE(race.line()->text(),
                 u"スティント 0:05 残り 9:55\nピット 1/2回 0:40 0:00前 最遅ピット 8周目"_s);
        QCOMPARE(race.alertColour(), u"none"_s);
        race.at(420);
        race.closeLap();
        QCOMPARE(race.line()->text(),
                 u"スティント 0:20 残り 9:40\nピット 1/2回 0:40 0:15前 最遅ピット 8周目"_s);
        QCOMPARE(race.prompts.beeps(), 1);
        QVERIFY(race.ui().Car[0]->Lbl_FuelLaps->text().isEmpty());  // no course, no economy
        QVERIFY(race.ui().Car[1]->Lbl_PitWall->text().isEmpty());   // not taking part

        auto* wall = race.openWall();
        QCOMPARE(rows(wall, u"Tbl_Stints"_s),
                 (QList<QStringList>{{u"１号車"_s, u"A"_s, u"1"_s, u"3"_s, u"6:00"_s},
                                     {u"１号車"_s, u"B"_s, u"4"_s, u"2"_s, u"0:20"_s}}));
        QCOMPARE(rows(wall, u"Tbl_Drivers"_s),
                 (QList<QStringList>{{u"１号車"_s, u"A"_s, u"6:00"_s, u"3"_s, u"1"_s, {}},
                                     {u"１号車"_s, u"B"_s, u"0:20"_s, u"2"_s, u"1"_s, {}}}));
        QCOMPARE(rows(wall, u"Tbl_PitStops"_s),
                 (QList<QStringList>{
                     {u"１号車"_s, u"4"_s, u"0:06:05"_s, u"0:06:45"_s, u"0:40"_s, u"短"_s}}));
        QVERIFY(rows(wall, u"Tbl_LapChecks"_s)
                    .contains(QStringList{u"１号車"_s, u"4"_s, u"0:40"_s, u"短いピット"_s}));
        // 4 laps closed, B's stint at 0:20 of 10:00 and a median lap of 2:00: in by lap 8.
        QCOMPARE(rows(wall, u"Tbl_Cars"_s),
                 (QList<QStringList>{{u"１号車"_s, u"最遅ピット 8周目"_s, u"1/2回"_s, {}}}));
        // The window follows the clock: B's lap runs on.
        race.at(450);
        QCOMPARE(rows(wall, u"Tbl_Stints"_s).last().last(), u"0:50"_s);
        // One window per console.
        QCOMPARE(race.openWall(), wall);
        QCOMPARE(race.program.window()->findChildren<PitWallWindow*>().size(), 1);
    }

    // A car near its stint's maximum stands in reach past the pit threshold: its stint ended,
    // the alert goes without a beep, the stop counts up and turns green at the minimum; gone
    // silent, the stop is counted.
    void carInThePit() {
        PitRace race(kRules);
        enum Action { CloseLap, Stand, Wait };
        struct Step {
            qint64 at;
            Action action;
            QString stopsLine;
            QString colour;
            int beeps;
        };
        const QList<Step> steps = {
            // At 4:00 a lap, the stint's 10:00 allow no more than lap 2.
            {240, CloseLap, u"ピット 0/2回 最遅ピット 2周目"_s, u"none"_s, 0},
            // In reach, 9:30 into the stint.
            {570, CloseLap, u"ピット 0/2回 最遅ピット 2周目"_s, u"amber"_s, 1},
            {591, Stand, u"ピット 0/2回 最遅ピット 2周目"_s, u"amber"_s, 1},  // 20 s in reach
            {592, Stand, u"ピット中 0:22 / 最小 1:00"_s, u"none"_s, 1},
            {630, Stand, u"ピット中 1:00 / 最小 1:00"_s, u"#00c000"_s, 1},
            {701, Stand, u"ピット中 2:11 / 最小 1:00"_s, u"#00c000"_s, 1},
            {712, Wait, u"ピット 1/2回 2:10 0:12前 最遅ピット 4周目"_s, u"none"_s, 1},
        };
        qint64 now = 0;
        for (const Step& step : steps) {
            // Standing in the pit, the car reports every second.
            while (step.action == Stand && now < step.at) {
                race.model.reportHandled(0, qint32(now * 1000));
                race.at(++now);
            }
            now = step.at;
            race.at(now);
            if (step.action == CloseLap) {
                race.closeLap();
            }
            QCOMPARE(race.line()->text().section(u'\n', 1), step.stopsLine);
            QCOMPARE(race.alertColour(), step.colour);
            QCOMPARE(race.prompts.beeps(), step.beeps);
        }
        QCOMPARE(race.car(0).pitStops, (QList<PitStop>{{3, 570'000, 700'000, false}}));
    }

    // Near, then past the stint's maximum: amber, red, one beep at each rise, none as it falls.
    void stintAlertRisesWithOneBeepEach_data() {
        QTest::addColumn<qint64>("at");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<int>("beeps");
        // The maximum 6 minutes: the warning from 1:00 (five minutes before).
        QTest::newRow("before the warning") << qint64(59) << u"none"_s << 0;
        QTest::newRow("near") << qint64(61) << u"amber"_s << 1;
        QTest::newRow("still near") << qint64(300) << u"amber"_s << 1;
        QTest::newRow("past") << qint64(361) << u"red"_s << 2;
        QTest::newRow("still past") << qint64(500) << u"red"_s << 2;
    }
    void stintAlertRisesWithOneBeepEach() {
        QFETCH(qint64, at);
        QFETCH(QString, colour);
        QFETCH(int, beeps);
        PitRace race({.MaxStintMinutes = 6});
        for (qint64 s = 1; s <= at; s += 1) {
            race.at(s);  // every second, as the clock shows it
        }
        QCOMPARE(race.alertColour(), colour);
        QCOMPARE(race.prompts.beeps(), beeps);
        // A stopped car's stint can no longer be ended in time: no colour, no beep.
        race.model.stopCar(0);
        QCOMPARE(race.alertColour(), u"none"_s);
        QCOMPARE(race.prompts.beeps(), beeps);
    }

    void fuelLapsStandBesideTheLitres() {
        PitRace race(kRules);
        race.model.chooseCourse(u"テスト"_s, 4000);
        race.model.chooseCar(0, u"赤"_s, u"100"_s, 100.0F, 2000.0F);  // 2 l a lap
        race.model.refuel(0, 60.0F);
        QCOMPARE(race.ui().Car[0]->Lbl_FuelLaps->text(), u"あと 30 周 30周目まで"_s);
        race.at(120);
        race.closeLap();
        race.at(240);
        race.closeLap();
        QCOMPARE(race.ui().Car[0]->Lbl_FuelLaps->text(), u"あと 28 周 30周目まで"_s);
        race.model.editEconomy(0, 0.0F);
        QVERIFY(race.ui().Car[0]->Lbl_FuelLaps->text().isEmpty());
    }

    // 追加, 修正 and 削除 under the stop table change the race's stops; a stop shorter than the
    // minimum is marked 短, one the operator entered 手入力.
    void stopsAreEnteredCorrectedAndRemoved() {
        PitRace race(kRules);
        race.at(600);
        for (int lap = 0; lap < 5; ++lap) {
            race.closeLap();
        }
        race.model.recordPitStop(0, PitStop{4, 365'000, 405'000, false});
        auto* wall = race.openWall();

        wall->findChild<QPushButton*>(u"Btn_PitStopAdd"_s)->click();
        PitStopDialog* dialog = openDialog(wall);
        QVERIFY(dialog != nullptr);
        enter(dialog, u"0"_s, u"0:08:00"_s, u"70"_s);  // no lap 0: told, the dialog stays
        QCOMPARE(race.prompts.calls().size(), 1);
        QVERIFY(dialog->isVisible());
        // A lap the car has not reached: told why, the dialog stays.
        enter(dialog, u"99"_s, u"0:08:00"_s, u"70"_s);
        QCOMPARE(race.prompts.calls().last().text, u"周は 6 周目までで入力してください。"_s);
        QVERIFY(dialog->isVisible());
        enter(dialog, u"6"_s, u"0:08:00"_s, u"70"_s);
        QVERIFY2(!dialog->isVisible(), qPrintable(race.prompts.calls().last().text));
        QCOMPARE(race.car(0).pitStops,
                 (QList<PitStop>{{4, 365'000, 405'000, false}, {6, 480'000, 550'000, true}}));
        QCOMPARE(
            rows(wall, u"Tbl_PitStops"_s).last(),
            (QStringList{u"１号車"_s, u"6"_s, u"0:08:00"_s, u"0:09:10"_s, u"1:10"_s, u"手入力"_s}));

        // The first stop was 65 s, not 40: no longer short.
        selectStop(wall, 0);
        wall->findChild<QPushButton*>(u"Btn_PitStopEdit"_s)->click();
        dialog = openDialog(wall);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Txt_PitStopStart"_s)->text(), u"0:06:05"_s);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Txt_PitStopLength"_s)->text(), u"40"_s);
        // A correction stays with its car.
        QCOMPARE(dialog->findChild<QComboBox*>(u"Cmb_PitStopCar"_s)->count(), 1);
        enter(dialog, u"4"_s, u"0:06:05"_s, u"65"_s);
        QCOMPARE(race.car(0).pitStops.first(), (PitStop{4, 365'000, 430'000, true}));
        QCOMPARE(rows(wall, u"Tbl_PitStops"_s).first().last(), u"手入力"_s);

        // 削除 asks first: No keeps the stop, Yes removes it.
        selectStop(wall, 1);
        race.prompts.answerYesNo(false);
        wall->findChild<QPushButton*>(u"Btn_PitStopDel"_s)->click();
        QCOMPARE(race.car(0).pitStops.size(), 2);
        race.prompts.answerYesNo(true);
        // A stop entered meanwhile comes before it: 削除 still means the stop chosen.
        race.model.editPitStop(0, -1, PitStop{2, 100'000, 130'000, true});
        QCOMPARE(wall->currentStop(), std::optional(std::pair{0, 2}));
        wall->findChild<QPushButton*>(u"Btn_PitStopDel"_s)->click();
        QCOMPARE(race.car(0).pitStops,
                 (QList<PitStop>{{2, 100'000, 130'000, true}, {4, 365'000, 430'000, true}}));
        QCOMPARE(rows(wall, u"Tbl_PitStops"_s).size(), 2);
    }

    // 修正 then 登録 with nothing changed leaves a stop timed to the tick as it was; a change of
    // the lap alone keeps its start and length to the tick.
    void unchangedCorrectionChangesNothing() {
        PitRace race(kRules);
        race.at(420);
        for (int lap = 0; lap < 4; ++lap) {
            race.closeLap();
        }
        race.model.recordPitStop(0, PitStop{4, 365'250, 380'750, false});
        auto* wall = race.openWall();
        selectStop(wall, 0);
        wall->findChild<QPushButton*>(u"Btn_PitStopEdit"_s)->click();
        auto* dialog = openDialog(wall);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Txt_PitStopLength"_s)->text(), u"15"_s);
        dialog->findChild<QPushButton*>(u"Btn_PitStopOk"_s)->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(race.car(0).pitStops, (QList<PitStop>{{4, 365'250, 380'750, false}}));
        wall->findChild<QPushButton*>(u"Btn_PitStopEdit"_s)->click();
        enter(openDialog(wall), u"3"_s, u"0:06:05"_s, u"15"_s);
        QCOMPARE(race.car(0).pitStops, (QList<PitStop>{{3, 365'250, 380'750, true}}));
    }

    // A rule corrected in the window during a race is in force at once, kept for the next Start,
    // and a console killed and resumed times the race by it.
    void rulesCorrectedDuringTheRaceOutliveAResume() {
        JournalFiles files;
        {
            PitRace race(kRules);
            auto* wall = race.openWall();
            QAbstractItemModel* table = wall->findChild<QTableView*>(u"Tbl_Rules"_s)->model();
            const auto valueOf = [table](const QString& label) {
                for (int r = 0; r < table->rowCount(); ++r) {
                    if (table->index(r, 0).data().toString().startsWith(label)) {
                        return table->index(r, 1);
                    }
                }
                return QModelIndex();
            };
            QCOMPARE(valueOf(u"最大スティント分数"_s).data().toString(), u"10"_s);
            table->setData(valueOf(u"最大スティント分数"_s), u"20"_s);
            table->setData(valueOf(u"ピット時間の扱い"_s), u"3"_s);
            wall->findChild<QPushButton*>(u"Btn_RulesSet"_s)->click();
            QCOMPARE(race.prompts.calls().last().text,
                     u"ピット時間の扱いが不正です。０、１、２のいずれかで指定してください。"_s);
            QCOMPARE(race.state().rules, kRules);
            table->setData(valueOf(u"ピット時間の扱い"_s), u"2"_s);
            wall->findChild<QPushButton*>(u"Btn_RulesSet"_s)->click();
            QCOMPARE(race.state().rules.MaxStintMinutes, 20);
            QCOMPARE(race.state().rules.PitTimeRule, 2);
            QCOMPARE(race.line()->text(), u"スティント 0:00 残り 20:00\nピット 0/2回"_s);
            QCOMPARE(race.console.settings.rules.MaxStintMinutes, 20);
            QVERIFY(race.program.journal()->flush());
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(60), true);
        QVERIFY(again.model.timing());
        QCOMPARE(again.state().rules.MaxStintMinutes, 20);
        QCOMPARE(again.state().rules.PitTimeRule, 2);
        // What the car did while the console was down is not known.
        QCOMPARE(again.ui().Car[0]->Lbl_PitWall->text(),
                 u"スティント 0:00+不明 残り 20:00\nピット 0/2回"_s);
    }
};

QTEST_MAIN(TestPitWallView)
#include "test_pit_wall_view.moc"
