#include "console/main_window.h"
#include "console_fixture.h"
#include "platform/cp932.h"
#include "platform/udp_link.h"
#include "test_car.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QUdpSocket>

using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::platform::PromptIcon;
using kaltero::platform::ScriptedPrompts;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::TestCar;
using kaltero::widgets::LapGrid;

namespace {

struct Race : ConsoleFixture {
    // The slots are set up as the operator does it, which switches their controls on.
    explicit Race(QList<int> slots = {0}) {
        for (int s : slots) {
            prompts.answerInput(QStringLiteral("127.0.0.1"));
            ui().Car[s]->Btn_ClientNoSet->click();
        }
        prompts.clearCalls();
    }
    void start() { ui().Btn_Start->click(); }
    const kaltero::core::CarSlot& car(int s) { return state().car[s]; }
    LapGrid* laps(int s = 0) { return ui().Car[s]->Spd_Laps; }

    // Laps as they come on the track: the silence counts each one, the car's report closes it.
    // Lap i takes 11 s + i ms, so every row has a time of its own.
    void driveLaps(TestCar& pc, int count) {
        for (int lap = 1; lap <= count; ++lap) {
            clock.advance(11'000 + lap);
            pc.exchange(QStringLiteral("%1").arg(lap - 1, 3, 10, QLatin1Char('0')));
        }
    }

    // The window as the operator has it: shown and active, so that cell editors open.
    bool activate() {
        QWidget* window = program.window();
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }
    // Puts the cursor on a cell of a lap grid as the operator does, types, presses Enter.
    void typeIntoLaps(int s, int col, int row, const QString& text) {
        LapGrid* grid = laps(s);
        grid->setFocus();
        grid->setCurrent(col, row);
        grid->activateCurrent();
        grid->edit(grid->currentIndex());
        QWidget* editor = QApplication::focusWidget();
        if (editor == nullptr || editor == grid) {
            qFatal("no cell editor opened");
        }
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
};

QStringList column(const LapGrid* grid, int col) {
    QStringList out;
    for (int r = 1; r <= grid->rowCount(); ++r) {
        out << grid->cellText(col, r);
    }
    return out;
}

}  // namespace

class TestCorrections : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Car 1 has driven and closed 12 laps; the operator corrects the lap count.
    void lapCountCorrection_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("confirm");  // -1: no question expected; 0: No; 1: Yes
        QTest::addColumn<int>("lapCnt");   // afterwards; 12 = unchanged
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("nextReply");  // start of the reply to the car's next "012"

        const QString ten =
            QStringLiteral("測定された１０周値以降のＬＡＰ内容が削除されます。よろしいですか？");
        const QString five =
            QStringLiteral("測定された５周値以降のＬＡＰ内容が削除されます。よろしいですか？");
        QTest::newRow("fewer, confirmed") << "10" << 1 << 10 << ten << 0 << "C010";
        QTest::newRow("fewer, answered No") << "10" << 0 << 12 << ten << 0 << "N012";
        QTest::newRow("one digit in full width") << "5" << 1 << 5 << five << 0 << "C005";
        QTest::newRow("more, without a question") << "15" << -1 << 15 << QString() << 0 << "C015";
        QTest::newRow("blanks are ignored") << " 1 5 laps" << -1 << 15 << QString() << 0 << "C015";
        QTest::newRow("same count") << "12" << -1 << 12 << QString() << 0 << "N012";
        QTest::newRow("cancelled") << "" << -1 << 12 << QString() << 0 << "N012";
        QTest::newRow("not a number") << "abc" << -1 << 12 << QString() << 0 << "N012";
        QTest::newRow("negative") << "-3" << -1 << 12 << QString() << 1 << "N012";
        QTest::newRow("beyond three digits") << "1000" << -1 << 12 << QString() << 1 << "N012";
        QTest::newRow("beyond any grid") << "2147483647" << -1 << 12 << QString() << 1 << "N012";
    }
    void lapCountCorrection() {
        QFETCH(QString, answer);
        QFETCH(int, confirm);
        QFETCH(int, lapCnt);
        QFETCH(QString, question);
        QFETCH(int, beeps);
        QFETCH(QString, nextReply);

        Race race;
        TestCar pc(0);
        race.start();
        race.driveLaps(pc, 12);
        auto& ui = race.ui();
        LapGrid* laps = race.laps();
        QCOMPARE(race.car(0).LapCnt, 12);
        const QStringList timesBefore = column(laps, 1);
        const QStringList ticksBefore = column(laps, 4);
        QCOMPARE(timesBefore.size(), 12);
        QVERIFY(!timesBefore.contains(QString()));

        race.prompts.clearCalls();
        race.prompts.answerInput(answer);
        if (confirm >= 0) {
            race.prompts.answerYesNo(confirm == 1);
        }
        ui.Car[0]->Btn_LapChg->click();
        QCOMPARE(race.prompts.pendingAnswers(), 0);

        const auto& calls = race.prompts.calls();
        QCOMPARE(calls.size(), confirm >= 0 ? 2 : 1);
        QCOMPARE(calls[0].kind, ScriptedPrompts::Kind::Input);
        QCOMPARE(calls[0].text, QStringLiteral("今何周目ですか？"));
        QCOMPARE(calls[0].title, QStringLiteral("Ｌａｐ修正"));
        QCOMPARE(calls[0].preset, QStringLiteral("12"));
        if (confirm >= 0) {
            QCOMPARE(calls[1].kind, ScriptedPrompts::Kind::YesNo);
            QCOMPARE(calls[1].text, question);
            QCOMPARE(calls[1].title, QStringLiteral("Ｌａｐ値確認"));
            QCOMPARE(calls[1].icon, PromptIcon::Critical);
        }
        QCOMPARE(race.prompts.beeps(), beeps);

        const bool changed = lapCnt != 12;
        QCOMPARE(race.car(0).LapCnt, lapCnt);
        QCOMPARE(race.car(0).LapPending, changed);
        QCOMPARE(race.car(0).LapFlag, changed ? kaltero::core::RecordFlag::Corrected
                                              : kaltero::core::RecordFlag::Recorded);
        QCOMPARE(ui.Car[0]->Lbl_LapCnt->text(),
                 changed ? QStringLiteral("%1周目").arg(lapCnt) : QStringLiteral("13周目"));
        QCOMPARE(laps->rowCount(), lapCnt);
        // The laps below the new count stay; rows added above it are empty.
        const int kept = std::min(lapCnt, 12);
        QCOMPARE(column(laps, 1).mid(0, kept), timesBefore.mid(0, kept));
        QCOMPARE(column(laps, 4).mid(0, kept), ticksBefore.mid(0, kept));
        for (int r = 13; r <= lapCnt; ++r) {
            QVERIFY(laps->cellText(1, r).isEmpty());
            QVERIFY(laps->cellText(4, r).isEmpty());
        }
        if (changed) {
            QCOMPARE(laps->activeCol(), 1);
            QCOMPARE(laps->activeRow(), lapCnt);
        }

        // The car's next report, whatever lap it names, closes the corrected lap in row n.
        race.clock.advance(3000);
        QCOMPARE(pc.exchange(QStringLiteral("012")).left(4), nextReply);
        QCOMPARE(laps->rowCount(), lapCnt);
        if (changed) {
            QCOMPARE(laps->cellText(4, lapCnt), QStringLiteral("3000"));
            QCOMPARE(laps->cellText(1, lapCnt), QStringLiteral("0'03\"000"));
            QCOMPARE(ui.Car[0]->Lbl_LapCnt->text(), QStringLiteral("%1周目").arg(lapCnt + 1));
            // The correction is told to the car once; after that the car is back in step.
            const QString wire = QStringLiteral("%1").arg(lapCnt, 3, 10, QLatin1Char('0'));
            QCOMPARE(pc.exchange(wire).left(4), u'N' + wire);
            QCOMPARE(laps->rowCount(), lapCnt);
        } else {
            QCOMPARE(column(laps, 4), ticksBefore);
        }
    }

    void stoppingEveryCarEndsTheRunWithoutAsking() {
        Race race({0, 1});
        TestCar car1(0);
        TestCar car2(1);
        auto& ui = race.ui();
        race.start();
        race.clock.advance(11'000);
        QCOMPARE(car1.exchange(QStringLiteral("000ピット")).left(4), QStringLiteral("N001"));
        QVERIFY(ui.Car[0]->Time_MessBlk->isActive());
        race.clock.advance(2'000);

        race.prompts.answerYesNo(true);
        ui.Car[0]->Btn_RunStop->click();
        QCOMPARE(race.prompts.calls().size(), 1);
        QCOMPARE(race.prompts.calls()[0].text, QStringLiteral("１号車の計測を中止しますか？"));
        QCOMPARE(race.prompts.calls()[0].title, QStringLiteral("Stop確認"));
        QCOMPARE(race.prompts.calls()[0].icon, PromptIcon::Critical);
        QVERIFY(race.model.timing());
        QVERIFY(!ui.Car[0]->Btn_RunStop->isEnabled());
        QVERIFY(ui.Car[1]->Btn_RunStop->isEnabled());
        QVERIFY(!ui.Car[0]->Time_MessBlk->isActive());
        QCOMPARE(ui.Car[0]->Lbl_InMess->palette().color(QPalette::Window),
                 QColor(0xFF, 0xFF, 0xC0));

        // Car 1 is no longer heard and its running time stands; car 2 runs on.
        const QString frozen = ui.Car[0]->Lbl_Time->text();
        race.clock.advance(2'000);
        QCOMPARE(ui.Car[0]->Lbl_Time->text(), frozen);
        QCOMPARE(car1.exchange(QStringLiteral("001")), QStringLiteral("<no reply>"));
        QCOMPARE(race.car(0).LapCnt, 1);
        QCOMPARE(car2.exchange(QStringLiteral("000")).left(4), QStringLiteral("N001"));
        QCOMPARE(ui.Car[1]->Spd_Laps->cellText(4, 1), QStringLiteral("15000"));

        race.prompts.answerYesNo(true);
        ui.Car[1]->Btn_RunStop->click();
        QCOMPARE(race.prompts.texts(),
                 QStringList({QStringLiteral("１号車の計測を中止しますか？"),
                              QStringLiteral("２号車の計測を中止しますか？")}));
        QVERIFY(!race.model.timing());
        QVERIFY(!race.state().StopNoAsk);
        QVERIFY(race.console.sockets.check->isBound());
        QVERIFY(ui.Btn_Write->isEnabled());
        // The laps stay on screen until the next start.
        QCOMPARE(ui.Car[0]->Spd_Laps->rowCount(), 1);
        QCOMPARE(ui.Car[1]->Spd_Laps->rowCount(), 1);
        const qint32 ticks = race.console.TickCnt();
        race.clock.advance(1'000);
        QCOMPARE(race.console.TickCnt(), ticks);
    }

    void stopAnsweredNoKeepsTheCarTimed() {
        Race race;
        TestCar pc(0);
        race.start();
        race.prompts.answerYesNo(false);
        race.ui().Car[0]->Btn_RunStop->click();
        QVERIFY(race.ui().Car[0]->Btn_RunStop->isEnabled());
        QVERIFY(race.engine.lapTimer(0).isActive());
        QCOMPARE(pc.exchange(QStringLiteral("000")), QStringLiteral("N"));
        QVERIFY(race.model.timing());
    }

    void stopButtonsWhileIdleStartNothing() {
        Race race;
        race.start();
        race.clock.advance(11'000);
        race.prompts.answerYesNo(true);
        race.ui().Btn_Start->click();  // "ストップしますか？"
        QVERIFY(!race.model.timing());
        race.prompts.clearCalls();

        // After a run every car's stop button is enabled again; the operator presses all five.
        auto& ui = race.ui();
        for (int s = 0; s < 5; ++s) {
            QVERIFY(ui.Car[s]->Btn_RunStop->isEnabled());
            race.prompts.answerYesNo(true);
            ui.Car[s]->Btn_RunStop->click();
            QVERIFY(!ui.Car[s]->Btn_RunStop->isEnabled());
            QVERIFY(!race.console.sockets.car[s]->isBound());
        }
        QCOMPARE(race.prompts.calls().size(), 5);
        QCOMPARE(race.prompts.calls()[4].text, QStringLiteral("５号車の計測を中止しますか？"));
        QCOMPARE(ui.Btn_Start->text(), QStringLiteral("Start"));
        QVERIFY(!race.state().StopNoAsk);
        QVERIFY(race.console.sockets.check->isBound());
        QCOMPARE(race.car(0).LapCnt, 1);
        const qint32 ticks = race.console.TickCnt();
        race.clock.advance(1'000);
        QCOMPARE(race.console.TickCnt(), ticks);
    }

    // Two closed laps, 11.001 s and 11.002 s; lap 2 still holds the cursor the silence put there.
    void lapTimeEdit_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("ticks");  // column 4 for a valid entry

        QTest::newRow("minutes, seconds, thousandths") << 1 << "1'23\"456" << true << "83456";
        QTest::newRow("kept as typed, not re-formatted") << 1 << "0'75\"000" << true << "75000";
        QTest::newRow("the cell holding the cursor") << 2 << "1'23\"456" << true << "83456";
        QTest::newRow("no seconds mark") << 1 << "1'23" << false << QString();
        QTest::newRow("no seconds mark, cell holding the cursor")
            << 2 << "1'23" << false << QString();
        QTest::newRow("a word") << 2 << "abc" << false << QString();
        QTest::newRow("beyond the tick counter") << 1 << "99999'00\"000" << false << QString();
    }
    void lapTimeEdit() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(QString, ticks);

        Race race;
        TestCar pc(0);
        race.start();
        race.driveLaps(pc, 2);
        QVERIFY(race.activate());
        LapGrid* laps = race.laps();
        QCOMPARE(column(laps, 1),
                 QStringList({QStringLiteral("0'11\"001"), QStringLiteral("0'11\"002")}));
        QCOMPARE(laps->activeRow(), 2);
        const QString oldText = laps->cellText(1, row);
        const QString oldTicks = laps->cellText(4, row);

        race.typeIntoLaps(0, 1, row, typed);

        if (valid) {
            QVERIFY(race.prompts.calls().isEmpty());
            QCOMPARE(laps->cellText(1, row), typed);
            QCOMPARE(laps->cellText(4, row), ticks);
        } else {
            QCOMPARE(race.prompts.calls().size(), 1);
            QCOMPARE(race.prompts.calls()[0].kind, ScriptedPrompts::Kind::Message);
            QCOMPARE(race.prompts.calls()[0].text, QStringLiteral("入力が不正です。"));
            QCOMPARE(race.prompts.calls()[0].icon, PromptIcon::Critical);
            QCOMPARE(laps->cellText(1, row), oldText);
            QCOMPARE(laps->cellText(4, row), oldTicks);
        }
        // The other lap is not touched.
        const int other = 3 - row;
        QCOMPARE(laps->cellText(4, other), QStringLiteral("1100%1").arg(other));
    }

    void refusedEditBringsBackTheLastAcceptedTime() {
        Race race;
        TestCar pc(0);
        race.start();
        race.driveLaps(pc, 1);
        QVERIFY(race.activate());
        race.typeIntoLaps(0, 1, 1, QStringLiteral("1'23\"5"));
        QCOMPARE(race.laps()->cellText(4, 1), QStringLiteral("83005"));
        race.typeIntoLaps(0, 1, 1, QStringLiteral("1'2x"));
        QCOMPARE(race.prompts.texts(), QStringList(QStringLiteral("入力が不正です。")));
        QCOMPARE(race.laps()->cellText(1, 1), QStringLiteral("1'23\"5"));
        QCOMPARE(race.laps()->cellText(4, 1), QStringLiteral("83005"));
    }

    void driverAndRemarksAreFreeText_data() {
        QTest::addColumn<int>("col");
        QTest::newRow("driver") << 2;
        QTest::newRow("remarks") << 3;
    }
    void driverAndRemarksAreFreeText() {
        QFETCH(int, col);
        Race race;
        TestCar pc(0);
        race.start();
        race.driveLaps(pc, 1);
        QVERIFY(race.activate());
        race.typeIntoLaps(0, col, 1, QStringLiteral("1'23 rain, box"));
        QVERIFY(race.prompts.calls().isEmpty());
        QCOMPARE(race.laps()->cellText(col, 1), QStringLiteral("1'23 rain, box"));
        QCOMPARE(race.laps()->cellText(1, 1), QStringLiteral("0'11\"001"));
        QCOMPARE(race.laps()->cellText(4, 1), QStringLiteral("11001"));
    }

    void stopwatchTimesOnTheRaceTicks() {
        Race race;
        auto& ui = race.ui();
        QVERIFY(!ui.Btn_OtherLap->isEnabled());
        race.start();
        race.clock.advance(10'000);
        ui.Btn_OtherLap->click();
        QCOMPARE(ui.Btn_OtherLap->text(), QStringLiteral("Stop"));
        race.clock.advance(30'000);
        QCOMPARE(ui.Lbl_OtherLap->text().left(5), QStringLiteral("0'29\""));  // running display
        race.clock.advance(33'456);
        QCOMPARE(race.console.TickCnt(), 73'456);
        ui.Btn_OtherLap->click();
        QCOMPARE(ui.Btn_OtherLap->text(), QStringLiteral("Start"));
        QCOMPARE(ui.Lbl_OtherLap->text(), QStringLiteral("1'03\"456"));
        race.clock.advance(5'000);
        QCOMPARE(ui.Lbl_OtherLap->text(), QStringLiteral("1'03\"456"));
    }

    void stopwatchLeftRunningAcrossANewStartGoesNegative() {
        Race race;
        auto& ui = race.ui();
        race.start();
        race.clock.advance(61'500);
        ui.Btn_OtherLap->click();
        race.prompts.answerYesNo(true);
        ui.Btn_Start->click();
        // Disabled with the run, but still running on the frozen ticks.
        QVERIFY(!ui.Btn_OtherLap->isEnabled());
        QCOMPARE(ui.Btn_OtherLap->text(), QStringLiteral("Stop"));
        race.clock.advance(5'000);
        QCOMPARE(ui.Lbl_OtherLap->text(), QStringLiteral("0'00\"000"));

        race.start();
        race.clock.advance(500);
        QVERIFY2(ui.Lbl_OtherLap->text().startsWith(u'-'), qPrintable(ui.Lbl_OtherLap->text()));
        ui.Btn_OtherLap->click();
        QCOMPARE(ui.Lbl_OtherLap->text(), QStringLiteral("-1'-01\"000"));
    }
};

QTEST_MAIN(TestCorrections)
#include "test_corrections.moc"
