#include "console_fixture.h"
#include "platform/udp_link.h"
#include "widgets/frame.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QUdpSocket>

using kaltero::testing::ConsoleFixture;
using kaltero::testing::focusIn;
using kaltero::testing::focusOut;
using kaltero::testing::Race;
using kaltero::testing::retype;

class TestRunControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startWithoutAddressIsRefused() {
        ConsoleFixture f;
        f.ui().Btn_Start->click();
        QCOMPARE(f.prompts.calls().size(), 1);
        QCOMPARE(f.prompts.calls()[0].text, QStringLiteral("計測する車輌の登録がされていません。"));
        QCOMPARE(f.ui().Btn_Start->text(), QStringLiteral("Start"));
        QVERIFY(!f.model.timing());
        QVERIFY(!f.state().EndTimeSet);
        QVERIFY(f.ui().Btn_End->isEnabled());
        QVERIFY(f.ui().Car[2]->isEnabled());
    }

    void startPutsConsoleIntoTiming() {
        Race race({0, 2});
        race.clock.advance(5000);
        race.start();
        auto& ui = race.ui();
        QCOMPARE(ui.Btn_Start->text(), QStringLiteral("Stop"));
        QCOMPARE(race.console.TickCnt(), 0);
        QCOMPARE(race.state().LastCarIdx, 1);
        QCOMPARE(ui.Car[0]->Lbl_LapCnt->text(), QStringLiteral("1周目"));
        QCOMPARE(ui.Lbl_StTime->text(), QStringLiteral("Start時間 14:00"));
        for (QPushButton* b : {ui.Btn_End, ui.Btn_Write, ui.Btn_Cource, ui.Btn_Drivers, ui.Btn_Car,
                               ui.Btn_Mess, ui.Car[0]->Btn_ClientNoSet2, ui.Car[4]->Btn_ClsCar}) {
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        }
        QVERIFY(ui.Btn_OtherLap->isEnabled());
        QVERIFY(ui.Car[0]->isEnabled());
        QVERIFY(!ui.Car[1]->isEnabled());
        QVERIFY(!ui.Car[1]->Btn_RunStop->isEnabled());
        QVERIFY(race.engine.lapTimer(2).isActive());
        QVERIFY(!race.engine.lapTimer(1).isActive());
        QVERIFY(!ui.Time_NoInputBlk->isActive());
        QVERIFY(!race.console.sockets.check->isBound());
        QVERIFY(race.console.sockets.car[2]->isBound());
        QVERIFY(!race.console.sockets.car[1]->isBound());
        const auto* board = race.find<QTableView>(QStringLiteral("Spd_Standings"));
        QVERIFY(!board->isRowHidden(1));
        QVERIFY(board->isRowHidden(2));
    }

    // The lap timer fires every 99 ms; the boundary is placed on its tick at 9900.
    void silenceLongerThanTheLimitCountsALap_data() {
        QTest::addColumn<int>("lastReport");
        QTest::addColumn<int>("laps");
        QTest::newRow("silent exactly NoCommTicks") << -100 << 0;
        QTest::newRow("silent one tick more") << -101 << 1;
    }
    void silenceLongerThanTheLimitCountsALap() {
        QFETCH(int, lastReport);
        QFETCH(int, laps);
        Race race;
        race.model.reportHandled(0, lastReport);
        race.start();
        race.clock.advance(9900);
        QCOMPARE(race.console.TickCnt(), 9900);
        QCOMPARE(race.car(0).LapCnt, laps);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->rowCount(), laps);
        QCOMPARE(race.car(0).LapPending, laps == 1);
    }

    void longSilenceCountsOneLapOnly() {
        Race race;
        auto& ui = race.ui();
        ui.Car[0]->Chk_ChgCnter->setChecked(true);
        ui.Car[0]->Txt_ZanRunCnt->setText(QStringLiteral("5"));
        ui.Car[0]->Txt_OutMess->setText(QStringLiteral("BOX"));
        race.start();
        race.clock.advance(120'000);
        QCOMPARE(race.car(0).LapCnt, 1);
        QCOMPARE(ui.Car[0]->Spd_Laps->rowCount(), 1);
        QCOMPARE(ui.Car[0]->Spd_Laps->currentRow(), 1);
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("4"));
        QVERIFY(ui.Car[0]->Txt_OutMess->text().isEmpty());
        QCOMPARE(ui.Car[0]->Lbl_Time->text(), QStringLiteral("1'59\"988"));
    }

    void stopAnsweredNoLeavesTheRunUntouched() {
        Race race;
        race.start();
        race.clock.advance(11'000);
        race.stop(false);
        QCOMPARE(race.prompts.calls().last().text, QStringLiteral("ストップしますか？"));
        QCOMPARE(race.prompts.calls().last().title, QStringLiteral("Stop確認"));
        QVERIFY(race.model.timing());
        QCOMPARE(race.car(0).LapCnt, 1);
        race.clock.advance(1000);
        QCOMPARE(race.console.TickCnt(), 12'000);
    }

    void stopReturnsToIdleAndKeepsTheLaps() {
        Race race;
        auto& ui = race.ui();
        race.start();
        race.clock.advance(11'000);
        race.stop();
        QVERIFY(!race.model.timing());
        QCOMPARE(ui.Car[0]->Lbl_Time->text(), QStringLiteral("0'00\"000"));
        QCOMPARE(ui.Car[0]->Spd_Laps->rowCount(), 1);
        QVERIFY(race.console.sockets.check->isBound());
        QVERIFY(!race.console.sockets.car[0]->isBound());
        QVERIFY(ui.Time_NoInputBlk->isActive());
        QVERIFY(ui.Btn_End->isEnabled());
        QVERIFY(!ui.Btn_OtherLap->isEnabled());
        const qint32 frozen = race.console.TickCnt();
        race.clock.advance(5000);
        QCOMPARE(race.console.TickCnt(), frozen);
        QCOMPARE(ui.Car[0]->Lbl_Time->text(), QStringLiteral("0'00\"000"));
    }

    void secondStartBeginsAgainFromZero() {
        Race race;
        race.start();
        race.clock.advance(25'000);
        race.stop();
        race.model.reportHandled(0, 0);
        race.start();
        QCOMPARE(race.console.TickCnt(), 0);
        QCOMPARE(race.car(0).LapCnt, 0);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->rowCount(), 0);
        race.clock.advance(2000);
        QCOMPARE(race.ui().Car[0]->Lbl_Time->text(), QStringLiteral("0'01\"980"));
    }

    void raceLengthSetsTheEnd_data() {
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QTime>("end");
        QTest::newRow("1 h 30 min") << QStringLiteral("1") << QStringLiteral("30") << QTime(15, 30);
        QTest::newRow("0 h 90 min") << QStringLiteral("0") << QStringLiteral("90") << QTime(15, 30);
        QTest::newRow("2 h -30 min")
            << QStringLiteral("2") << QStringLiteral("-30") << QTime(15, 30);
    }
    void raceLengthSetsTheEnd() {
        QFETCH(QString, hours);
        QFETCH(QString, minutes);
        QFETCH(QTime, end);
        Race race;
        race.ui().Txt_RunH->setText(hours);
        race.ui().Txt_RunN->setText(minutes);
        race.start();
        QVERIFY(race.state().EndTimeSet);
        QCOMPARE(race.state().RaceEndTime.time(), end);
    }

    void remainingTimeCountsDownThenCountsTheOverrun() {
        Race race;
        auto& ui = race.ui();
        ui.Txt_RunH->setText(QStringLiteral("1"));
        ui.Txt_RunN->setText(QStringLiteral("30"));
        race.start();
        race.clock.advance(5000);
        QCOMPARE(ui.Lbl_ZanTime->text(), QStringLiteral("残り 1:29:55"));
        QCOMPARE(ui.Lbl_ZanTime->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
        QCOMPARE(race.state().RemainTicks, 5395 * 1000);
        race.clock.advance((90 * 60 - 5) * 1000);
        QCOMPARE(ui.Lbl_ZanTime->text(), QStringLiteral("残り 0:00:00"));
        QCOMPARE(ui.Lbl_ZanTime->palette().color(QPalette::WindowText), QColor(0xFF, 0xFF, 0xFF));
        race.clock.advance(65'000);
        QCOMPARE(ui.Lbl_ZanTime->text(), QStringLiteral("残り 0:01:05"));
        QCOMPARE(race.state().RemainTicks, -65'000);
        QCOMPARE(ui.Lbl_SysTime->text(), QStringLiteral("pm 03:31:05"));
    }

    void changeDuringTheRunCountsFromTheStart() {
        Race race;
        auto& ui = race.ui();
        ui.Txt_RunN->setText(QStringLiteral("30"));
        race.start();
        race.clock.advance(10 * 60 * 1000);
        retype(ui.Txt_RunN, QStringLiteral("45"));
        QCOMPARE(race.state().RaceEndTime.time(), QTime(14, 45));
        retype(ui.Txt_RunN, QStringLiteral("0"));
        QVERIFY(!race.state().EndTimeSet);
        const QString last = ui.Lbl_ZanTime->text();
        race.clock.advance(3000);
        QCOMPARE(ui.Lbl_ZanTime->text(), last);
    }

    void changeWhileIdleWaitsForTheStart() {
        Race race;
        retype(race.ui().Txt_RunH, QStringLiteral("2"));
        QVERIFY(!race.state().EndTimeSet);
        race.start();
        QCOMPARE(race.state().RaceEndTime.time(), QTime(16, 0));
    }

    void wordInARaceLengthBoxIsRefused() {
        Race race;
        retype(race.ui().Txt_RunH, QStringLiteral("abc"));
        QCOMPARE(race.prompts.beeps(), 1);
        QCOMPARE(race.ui().Txt_RunH->text(), QStringLiteral("0"));
    }

    // A port another program holds: the operator is told which car, the other cars are timed.
    void portsHeldByAnotherProgramAreTold() {
        QUdpSocket check;
        QUdpSocket car1;
        QVERIFY(check.bind(QHostAddress::AnyIPv4, 7001, QAbstractSocket::DontShareAddress));
        QVERIFY(car1.bind(QHostAddress::AnyIPv4, 7011, QAbstractSocket::DontShareAddress));
        Race race({0, 1});
        QCOMPARE(race.prompts.calls().size(), 1);
        QVERIFY(
            race.prompts.calls()[0].text.startsWith(u"アドレス確認用のポート7001を開けません。"));
        race.start();
        QCOMPARE(race.prompts.calls().size(), 2);
        QVERIFY2(race.prompts.calls()[1].text.contains(u"１号車：ポート7011"),
                 qPrintable(race.prompts.calls()[1].text));
        QVERIFY(!race.prompts.calls()[1].text.contains(u"２号車"));
        QVERIFY(race.model.timing());
        QVERIFY(race.console.sockets.car[1]->isBound());
        race.stop();
        QCOMPARE(race.prompts.calls().size(), 3);  // the stop question; the check port is told once
    }
};

QTEST_MAIN(TestRunControl)
#include "test_run_control.moc"
