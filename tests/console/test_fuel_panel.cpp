#include "console_fixture.h"
#include "offered_choices.h"
#include "test_car.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/two_state_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

using kaltero::testing::ConsoleFixture;
using kaltero::testing::focusIn;
using kaltero::testing::focusOut;
using kaltero::testing::retype;
using kaltero::testing::TestCar;

namespace {

const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kGrey(0xC0, 0xC0, 0xC0);

QColor textColour(QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// Car 1 set up on a 4,000 m course with a car of 100 l and 2.0 km/l: 2 l a lap.
struct FuelRace : ConsoleFixture {
    FuelRace() {
        prompts.answerInput(QStringLiteral("127.0.0.1"));
        ui().Car[0]->Btn_ClientNoSet->click();
        auto* cars = ui().Car[0]->Cmb_Car;
        kaltero::testing::offerCars(cars, {{QStringLiteral("赤"), {}, 100, 2.0F}});
        cars->setCurrentIndex(0);
        Q_EMIT cars->activated(0);  // as a pick in the open list
        kaltero::testing::offerCourses(ui().Cmb_Course, {{QStringLiteral("テスト"), 4000}});
        chooseCourse(0);
    }
    void chooseCourse(int index) {
        ui().Cmb_Course->setCurrentIndex(index);
        focusOut(ui().Cmb_Course);
    }
    void refuel(const QString& amount) {
        retype(ui().Car[0]->Txt_InGasl, amount);
        ui().Car[0]->Btn_Kyuyu->click();
    }
    void start() { ui().Btn_Start->click(); }
    // Laps driven the way a car drives them: out of reach past the silence limit, then one
    // report that closes the lap.
    bool drive(TestCar& car, int laps) {
        for (int i = 0; i < laps; ++i) {
            clock.advance(11'000);
            const QString reply = car.exchange(TestCar::lapReport(state().car[0].LapCnt - 1));
            if (!reply.startsWith(u'N') || reply.size() < 60) {
                return false;
            }
        }
        return true;
    }
    kaltero::widgets::Gauge* gauge() { return ui().Car[0]->Meter_Gas; }
    QColor gaugeColour() { return gauge()->foreground(); }
};

}  // namespace

class TestFuelPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void estimateFollowsTheLapsAndBlinksBelowAFifth() {
        FuelRace race;
        TestCar car(0);
        auto& ui = race.ui();
        QCOMPARE(race.state().CourseLength, 4000);
        QCOMPARE(ui.Car[0]->Lbl_Tank->text(), QStringLiteral("100"));
        QCOMPARE(ui.Car[0]->Txt_Nenpi->text(), QStringLiteral("2"));
        race.refuel(QStringLiteral("60"));
        QCOMPARE(ui.Car[0]->Lbl_AllGas->text(), QStringLiteral("60"));
        race.start();
        QCOMPARE(race.gauge()->value(), 60.0);

        QVERIFY(race.drive(car, 10));
        QCOMPARE(race.state().car[0].LapCnt, 10);
        QCOMPARE(race.gauge()->value(), 40.0);
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残40"));
        QVERIFY(!ui.Car[0]->Time_GasBlk->isActive());
        QCOMPARE(race.gaugeColour(), kYellow);

        QVERIFY(race.drive(car, 10));
        // Lap 21, to the millisecond at which the silence counts it.
        race.clock.advance(9'900);
        while (race.state().car[0].LapCnt == 20) {
            race.clock.advance(1);
        }
        QCOMPARE(race.gauge()->value(), 18.0);
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残18"));
        QVERIFY(ui.Car[0]->Time_GasBlk->isActive());
        // The colour waits for the first blink step, one second later.
        QCOMPARE(race.gaugeColour(), kYellow);
        race.clock.advance(999);
        QCOMPARE(race.gaugeColour(), kYellow);
        race.clock.advance(1);
        QCOMPARE(race.gaugeColour(), kRed);
        race.clock.advance(1000);
        QCOMPARE(race.gaugeColour(), kYellow);
        race.clock.advance(1000);
        QCOMPARE(race.gaugeColour(), kRed);
        // The car is back: the lap is closed, the blink goes on.
        QVERIFY(car.exchange(TestCar::lapReport(20)).startsWith(QStringLiteral("N021")));
        QVERIFY(ui.Car[0]->Time_GasBlk->isActive());

        // 2 l more: 20 % exactly is enough again.
        race.refuel(QStringLiteral("2"));
        QCOMPARE(ui.Car[0]->Lbl_AllGas->text(), QStringLiteral("62"));
        QCOMPARE(race.gauge()->value(), 20.0);
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残20"));
        QVERIFY(!ui.Car[0]->Time_GasBlk->isActive());
        QCOMPARE(race.gaugeColour(), kYellow);
        race.clock.advance(3000);
        QCOMPARE(race.gaugeColour(), kYellow);
    }

    void overfilledTankShowsItsCapacity() {
        FuelRace race;
        race.refuel(QStringLiteral("150"));
        QCOMPARE(race.ui().Car[0]->Lbl_AllGas->text(), QStringLiteral("150"));
        QCOMPARE(race.gauge()->value(), 100.0);
        QCOMPARE(race.ui().Car[0]->Lbl_ZanGas->text(), QStringLiteral("残100"));
    }

    void refuellingAddsUpAndKeepsTheAmount() {
        FuelRace race;
        auto& ui = race.ui();
        ui.Main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.Main));
        race.refuel(QStringLiteral("20"));
        ui.Car[0]->Btn_Kyuyu->setFocus();
        race.refuel(QStringLiteral("25.5"));
        QCOMPARE(race.state().car[0].FuelTotal, 45.5F);
        QCOMPARE(ui.Car[0]->Lbl_AllGas->text(), QStringLiteral("45.5"));
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残45"));
        // Ready for the same amount once more.
        QCOMPARE(ui.Car[0]->Txt_InGasl->text(), QStringLiteral("25.5"));
        QCOMPARE(QApplication::focusWidget(), ui.Car[0]->Txt_InGasl);
        // Taking fuel out is allowed; the gauge stops at empty.
        race.refuel(QStringLiteral("-50"));
        QCOMPARE(ui.Car[0]->Lbl_AllGas->text(), QStringLiteral("-4.5"));
        QCOMPARE(race.gauge()->value(), 0.0);
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残0"));
        QCOMPARE(race.prompts.beeps(), 0);
    }

    void refusedRefuellingChangesNothing_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("course");  // entry of the course list, -1 for none
        QTest::addColumn<QString>("economy");
        QTest::newRow("zero") << QStringLiteral("0") << 0 << QStringLiteral("2.0");
        QTest::newRow("empty") << QString() << 0 << QStringLiteral("2.0");
        QTest::newRow("letters") << QStringLiteral("abc") << 0 << QStringLiteral("2.0");
        QTest::newRow("no course") << QStringLiteral("20") << -1 << QStringLiteral("2.0");
        QTest::newRow("no economy") << QStringLiteral("20") << 0 << QStringLiteral("0");
        QTest::newRow("beyond single precision")
            << QStringLiteral("1") + QString(39, u'0') << 0 << QStringLiteral("2.0");
    }
    void refusedRefuellingChangesNothing() {
        QFETCH(QString, amount);
        QFETCH(int, course);
        QFETCH(QString, economy);
        FuelRace race;
        auto& ui = race.ui();
        race.refuel(QStringLiteral("30"));
        race.chooseCourse(course);
        retype(ui.Car[0]->Txt_Nenpi, economy);
        ui.Car[0]->Txt_InGasl->setText(amount);  // typed, not left: only the button answers
        const int beeps = race.prompts.beeps();
        ui.Car[0]->Btn_Kyuyu->click();
        QCOMPARE(race.prompts.beeps(), beeps + 1);
        QCOMPARE(race.state().car[0].FuelTotal, 30.0F);
        QCOMPARE(ui.Car[0]->Lbl_AllGas->text(), QStringLiteral("30"));
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), QStringLiteral("残30"));
        QCOMPARE(race.gauge()->value(), 30.0);
    }

    // Whatever is typed, the panel shows numbers: never "nan" or "inf".
    void figuresStayNumbers_data() {
        QTest::addColumn<QString>("economy");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<float>("FuelEconomy");
        QTest::addColumn<QString>("zanGas");
        QTest::newRow("economy with an exponent")
            << QStringLiteral("1e308") << QStringLiteral("10") << 0.0F << QString();
        QTest::newRow("economy of 40 digits")
            << QString(40, u'9') << QStringLiteral("10") << 0.0F << QString();
        QTest::newRow("negative economy")
            << QStringLiteral("-2") << QStringLiteral("10") << 0.0F << QString();
        QTest::newRow("tiny economy") << QStringLiteral("0.000001") << QStringLiteral("10")
                                      << 0.001F << QStringLiteral("残0");
        QTest::newRow("huge negative amount")
            << QStringLiteral("2") << QStringLiteral("-1") + QString(30, u'0') << 2000.0F
            << QStringLiteral("残0");
        QTest::newRow("largest amount")
            << QStringLiteral("2") << QStringLiteral("34") + QString(37, u'0') << 2000.0F
            << QStringLiteral("残100");
    }
    void figuresStayNumbers() {
        QFETCH(QString, economy);
        QFETCH(QString, amount);
        QFETCH(float, FuelEconomy);
        QFETCH(QString, zanGas);
        FuelRace race;
        TestCar car(0);
        auto& ui = race.ui();
        retype(ui.Car[0]->Txt_Nenpi, economy);
        QCOMPARE(race.state().car[0].FuelEconomy, FuelEconomy);
        race.refuel(amount);
        race.start();
        QVERIFY(race.drive(car, 1));
        QCOMPARE(ui.Car[0]->Lbl_ZanGas->text(), zanGas);
        const double value = race.gauge()->value();
        QVERIFY(std::isfinite(value) && value >= 0.0 && value <= 100.0);
        for (const QString& shown : {ui.Car[0]->Txt_Nenpi->text(), ui.Car[0]->Lbl_AllGas->text(),
                                     ui.Car[0]->Lbl_ZanGas->text()}) {
            QVERIFY2(!shown.contains(QStringLiteral("nan"), Qt::CaseInsensitive) &&
                         !shown.contains(QStringLiteral("inf"), Qt::CaseInsensitive),
                     qPrintable(shown));
        }
    }

    void fieldsAreCheckedWhenLeft_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("beep");
        QTest::addColumn<bool>("keepsFocus");
        QTest::newRow("amount: letters") << QStringLiteral("Txt_InGasl_0") << QStringLiteral("abc")
                                         << QString() << true << false;
        QTest::newRow("amount: empty")
            << QStringLiteral("Txt_InGasl_0") << QString() << QString() << true << false;
        QTest::newRow("amount: number") << QStringLiteral("Txt_InGasl_0") << QStringLiteral("12.5")
                                        << QStringLiteral("12.5") << false << false;
        QTest::newRow("economy: letters") << QStringLiteral("Txt_Nenpi_0") << QStringLiteral("abc")
                                          << QStringLiteral("0") << true << false;
        QTest::newRow("economy: empty")
            << QStringLiteral("Txt_Nenpi_0") << QString() << QStringLiteral("0") << true << false;
        QTest::newRow("economy: number") << QStringLiteral("Txt_Nenpi_0") << QStringLiteral("8.5")
                                         << QStringLiteral("8.5") << false << false;
        QTest::newRow("countdown: letters")
            << QStringLiteral("Txt_ZanRunCnt_0") << QStringLiteral("abc") << QStringLiteral("0")
            << true << true;
        QTest::newRow("countdown: number")
            << QStringLiteral("Txt_ZanRunCnt_0") << QStringLiteral("7") << QStringLiteral("7")
            << false << false;
    }
    void fieldsAreCheckedWhenLeft() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, beep);
        QFETCH(bool, keepsFocus);
        FuelRace race;
        auto& ui = race.ui();
        ui.Car[0]->Chk_ChgCnter->click();  // the countdown field takes input only while ticked
        ui.Main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.Main));
        auto* box = race.find<QLineEdit>(field);
        box->setFocus();
        QCOMPARE(QApplication::focusWidget(), box);
        box->setText(typed);
        const int beeps = race.prompts.beeps();
        ui.Txt_AllOutMess->setFocus();
        QCOMPARE(race.prompts.beeps(), beeps + (beep ? 1 : 0));
        QCOMPARE(box->text(), shown);
        QCOMPARE(QApplication::focusWidget(),
                 keepsFocus ? static_cast<QWidget*>(box) : ui.Txt_AllOutMess);
    }

    // The economy is taken as typed, and shown from the next refuelling or lap.
    void economyWaitsForTheNextUpdate() {
        FuelRace race;
        auto& ui = race.ui();
        race.refuel(QStringLiteral("50"));
        for (int lap = 0; lap < 5; ++lap) {
            race.model.countLap(0, QString());
        }
        QCOMPARE(race.gauge()->value(), 40.0);  // 5 laps of 2 l
        retype(ui.Car[0]->Txt_Nenpi, QStringLiteral("4"));
        QCOMPARE(race.state().car[0].FuelEconomy, 4000.0F);
        QCOMPARE(race.gauge()->value(), 40.0);
        race.refuel(QStringLiteral("1"));
        QCOMPARE(race.gauge()->value(), 46.0);  // 51 l - 5 laps of 1 l
    }

    void countdownRunsWhileTicked() {
        FuelRace race;
        TestCar car(0);
        auto& ui = race.ui();
        for (QLabel* caption : {ui.Car[0]->Lbl_AutoMess1, ui.Car[0]->Lbl_AutoMess2}) {
            QCOMPARE(textColour(caption), kGrey);
        }
        QVERIFY(!ui.Car[0]->Txt_ZanRunCnt->isEnabled());
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("0"));

        ui.Car[0]->Chk_ChgCnter->click();
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("10"));
        QVERIFY(ui.Car[0]->Txt_ZanRunCnt->isEnabled());
        for (QLabel* caption : {ui.Car[0]->Lbl_AutoMess1, ui.Car[0]->Lbl_AutoMess2}) {
            QCOMPARE(textColour(caption), kBlack);
        }
        race.start();
        QVERIFY(race.drive(car, 3));
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("7"));
        ui.Car[0]->Txt_ZanRunCnt->setText(QStringLiteral("1"));
        QVERIFY(race.drive(car, 2));
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("-1"));

        ui.Car[0]->Chk_ChgCnter->click();
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("0"));
        QVERIFY(!ui.Car[0]->Txt_ZanRunCnt->isEnabled());
        for (QLabel* caption : {ui.Car[0]->Lbl_AutoMess1, ui.Car[0]->Lbl_AutoMess2}) {
            QCOMPARE(textColour(caption), kGrey);
        }
        QVERIFY(race.drive(car, 1));
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("0"));
    }

    void countdownStartsFromTheSetting() {
        FuelRace race;
        race.console.settings.CheckDefaultLaps = 25;
        race.ui().Car[0]->Chk_ChgCnter->click();
        QCOMPARE(race.ui().Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("25"));
    }

    void raceStopSwitchesTheCountdownOff() {
        FuelRace race;
        auto& ui = race.ui();
        ui.Car[0]->Chk_ChgCnter->click();
        race.start();
        race.prompts.answerYesNo(true);
        ui.Btn_Start->click();
        QVERIFY(!ui.Car[0]->Chk_ChgCnter->isChecked());
        QCOMPARE(ui.Car[0]->Txt_ZanRunCnt->text(), QStringLiteral("0"));
        QVERIFY(!ui.Car[0]->Txt_ZanRunCnt->isEnabled());
        QCOMPARE(textColour(ui.Car[0]->Lbl_AutoMess1), kGrey);
    }

    void refuellingClosesTheDriverPanel() {
        FuelRace race;
        auto& ui = race.ui();
        ui.Car[0]->Btn_DriverInfo->click();
        QVERIFY(!ui.Car[0]->Frm_DriverLap->isHidden());
        ui.Car[0]->Btn_Kyuyu->click();
        QVERIFY(ui.Car[0]->Frm_DriverLap->isHidden());
        QVERIFY(!ui.Car[0]->Btn_DriverInfo->state());
        QVERIFY(!ui.Car[0]->Time_DriverInfo->isActive());
    }
};

QTEST_MAIN(TestFuelPanel)
#include "test_fuel_panel.moc"
