#include "console_fixture.h"
#include "table_texts.h"
#include "offered_choices.h"
#include "test_car.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/lap_grid.h"
#include "widgets/two_state_button.h"
#include "widgets/widget_build.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using kaltero::testing::ConsoleFixture;
using kaltero::testing::TestCar;
using kaltero::widgets::ChoiceList;

namespace {

const QString kAkai = QStringLiteral("赤井");
const QString kAoki = QStringLiteral("青木");
const QString kKuroda = QStringLiteral("黒田");

// Chooses an entry the way a pick in the open list does: the entry becomes current, then the
// list reports it as activated. (Arrow keys would choose every entry on the way.)
void choose(ChoiceList* list, const QString& name) {
    const int target = list->findText(name);
    if (target < 0 || !list->isEnabled()) {
        qFatal("cannot choose the entry");
    }
    list->setCurrentIndex(target);
    Q_EMIT list->activated(target);
}

struct DriverRace : ConsoleFixture {
    explicit DriverRace(QList<int> slots = {0}) {
        for (int s : slots) {
            prompts.answerInput(QStringLiteral("127.0.0.1"));
            ui().Car[s]->Btn_ClientNoSet->click();
        }
        for (int s = 0; s < 2; ++s) {
            kaltero::testing::offerDrivers(ui().Car[s]->Cmb_Driver, {kAkai, kAoki, kKuroda});
        }
    }
    void start() { ui().Btn_Start->click(); }
    void choose(int s, const QString& name) { ::choose(ui().Car[s]->Cmb_Driver, name); }
    QTableView* table(int s) {
        return find<QTableView>(kaltero::widgets::indexed("Spd_DriverInfo", s));
    }
    // Rows counted from 1, as the table numbers them.
    QStringList row(int s, int r) { return kaltero::testing::rowTexts(table(s), r - 1); }
    qint32 DrvInfoRow(int s) { return state().car[s].DrvInfoRow; }
    bool panelOpen(int s) { return !ui().Car[s]->Frm_DriverLap->isHidden(); }
};

}  // namespace

class TestDriverPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aDriverChosenAgainFindsItsRow() {
        DriverRace race;
        QCOMPARE(race.DrvInfoRow(0), 0);
        race.choose(0, kAkai);
        race.choose(0, kAoki);
        QCOMPARE(race.DrvInfoRow(0), 2);
        race.choose(0, kAkai);
        QCOMPARE(race.table(0)->model()->rowCount(), 2);
        QCOMPARE(race.row(0, 1), QStringList({kAkai, QString(), QString()}));
        QCOMPARE(race.row(0, 2), QStringList({kAoki, QString(), QString()}));
        QCOMPARE(race.DrvInfoRow(0), 1);
    }

    // Each lap carries the driver at the wheel when it closes, and the figures sent back to
    // the car are that driver's alone.
    void lapsAfterAChangeCarryTheNewDriver() {
        DriverRace race;
        TestCar car(0);
        auto& ui = race.ui();
        race.choose(0, kAkai);
        race.start();
        race.clock.advance(11'000);
        QVERIFY(car.exchange(TestCar::lapReport(0)).startsWith(QStringLiteral("N001")));

        race.choose(0, kAoki);
        race.clock.advance(12'000);
        const QString second = car.exchange(TestCar::lapReport(1));
        QCOMPARE(second.left(34), QStringLiteral("N002") + QStringLiteral("0000012000") +
                                      QStringLiteral("0000012000") + QStringLiteral("0000012000"));
        QCOMPARE(ui.Car[0]->Spd_Laps->cellText(2, 1), kAkai);
        QCOMPARE(ui.Car[0]->Spd_Laps->cellText(2, 2), kAoki);
        QCOMPARE(ui.Car[0]->Lbl_DrvrBestLapTm->text(), QStringLiteral("0'12\"000-2L"));
        QCOMPARE(race.row(0, 1),
                 QStringList({kAkai, QStringLiteral("0'11\"000-1L"), QStringLiteral("0'11\"000")}));
        QCOMPARE(race.row(0, 2),
                 QStringList({kAoki, QStringLiteral("0'12\"000-2L"), QStringLiteral("0'12\"000")}));

        // Back to the first driver: laps 1 and 3 are his.
        race.choose(0, kAkai);
        race.clock.advance(13'000);
        const QString third = car.exchange(TestCar::lapReport(2));
        QCOMPARE(third.left(34), QStringLiteral("N003") + QStringLiteral("0000013000") +
                                     QStringLiteral("0000011000") + QStringLiteral("0000012000"));
        QCOMPARE(ui.Car[0]->Spd_Laps->cellText(2, 3), kAkai);
        QCOMPARE(race.row(0, 1),
                 QStringList({kAkai, QStringLiteral("0'11\"000-1L"), QStringLiteral("0'12\"000")}));
        QCOMPARE(race.row(0, 2),
                 QStringList({kAoki, QStringLiteral("0'12\"000-2L"), QStringLiteral("0'12\"000")}));
    }

    void anotherCarsChoiceLeavesTheRowAlone() {
        DriverRace race({0, 1});
        TestCar car1(0);
        race.choose(0, kAkai);
        race.choose(0, kAoki);
        race.choose(1, kKuroda);
        QCOMPARE(race.DrvInfoRow(0), 2);
        QCOMPARE(race.DrvInfoRow(1), 1);
        race.start();
        race.clock.advance(11'000);
        car1.exchange(TestCar::lapReport(0));
        QCOMPARE(race.row(0, 2),
                 QStringList({kAoki, QStringLiteral("0'11\"000-1L"), QStringLiteral("0'11\"000")}));
        QCOMPARE(race.row(0, 1), QStringList({kAkai, QString(), QString()}));
        QCOMPARE(race.row(1, 1), QStringList({kKuroda, QString(), QString()}));
    }

    void panelClosesItselfAfterThirtySeconds() {
        DriverRace race;
        auto& ui = race.ui();
        ui.Car[0]->Btn_DriverInfo->click();
        QVERIFY(race.panelOpen(0));
        QVERIFY(ui.Car[0]->Btn_DriverInfo->state());
        race.clock.advance(29'999);
        QVERIFY(race.panelOpen(0));
        race.clock.advance(1);
        QVERIFY(!race.panelOpen(0));
        QVERIFY(!ui.Car[0]->Btn_DriverInfo->state());
        QVERIFY(!ui.Car[0]->Time_DriverInfo->isActive());
        // One press opens it again, a second one closes it.
        ui.Car[0]->Btn_DriverInfo->click();
        QVERIFY(race.panelOpen(0));
        ui.Car[0]->Btn_DriverInfo->click();
        QVERIFY(!race.panelOpen(0));
        QVERIFY(!ui.Car[0]->Time_DriverInfo->isActive());
    }

    void driverChangeSwitchesTheCountdownOff() {
        DriverRace race;
        auto& ui = race.ui();
        ui.Car[0]->Chk_ChgCnter->click();
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("10"));
        race.choose(0, kAoki);
        QVERIFY(!ui.Car[0]->Chk_ChgCnter->isChecked());
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("0"));
        QVERIFY(!ui.Car[0]->Txt_ZanRunCnt->isEnabled());
        for (QLabel* caption : {ui.Car[0]->Lbl_AutoMess1, ui.Car[0]->Lbl_AutoMess2}) {
            QCOMPARE(caption->palette().color(QPalette::WindowText), QColor(0xC0, 0xC0, 0xC0));
        }
    }
};

QTEST_MAIN(TestDriverPanel)
#include "test_driver_panel.moc"
