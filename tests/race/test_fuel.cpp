#include "core/number_text.h"
#include "race/fuel.h"

#include <QTest>
#include <limits>

using namespace kaltero::race;
using namespace Qt::StringLiterals;

class TestFuel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void estimate_data() {
        QTest::addColumn<qint32>("course");
        QTest::addColumn<float>("economy");
        QTest::addColumn<float>("tank");
        QTest::addColumn<float>("total");
        QTest::addColumn<qint32>("laps");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<float>("percent");
        QTest::addColumn<QString>("zanGas");
        QTest::addColumn<bool>("blink");

        // 4 km course at 2.0 km/l: 2 l a lap.
        QTest::newRow("10 laps: 40 %")
            << 4000 << 2000.0F << 100.0F << 60.0F << 10 << u"100"_s << 40.0F << u"残40"_s << false;
        QTest::newRow("21 laps: 18 % blinks")
            << 4000 << 2000.0F << 100.0F << 60.0F << 21 << u"100"_s << 18.0F << u"残18"_s << true;
        QTest::newRow("exactly 20 % does not blink")
            << 4000 << 2000.0F << 100.0F << 60.0F << 20 << u"100"_s << 20.0F << u"残20"_s << false;
        QTest::newRow("before the first lap")
            << 4000 << 2000.0F << 100.0F << 60.0F << 0 << u"100"_s << 60.0F << u"残60"_s << false;
        QTest::newRow("more than the tank holds") << 4000 << 2000.0F << 100.0F << 150.0F << 0
                                                  << u"100"_s << 100.0F << u"残100"_s << false;
        QTest::newRow("more used than put in")
            << 4000 << 2000.0F << 100.0F << 60.0F << 40 << u"100"_s << 0.0F << u"残0"_s << true;
        QTest::newRow("negative total after a negative refuelling")
            << 4000 << 2000.0F << 100.0F << -5.0F << 0 << u"100"_s << 0.0F << u"残0"_s << true;
        // (45.5 - 5807 / 8500 * 3) / 60 * 100 = 72.4174...; 60 * 72.4174 / 100 = 43.45
        QTest::newRow("litres are rounded down")
            << 5807 << 8500.0F << 60.0F << 45.5F << 3 << u"60"_s << 72.41745F << u"残43"_s << false;
        QTest::newRow("litres follow the tank caption, not the figure")
            << 4000 << 2000.0F << 100.0F << 60.0F << 10 << u"80L"_s << 40.0F << u"残32"_s << false;
        QTest::newRow("caption without a number")
            << 4000 << 2000.0F << 100.0F << 60.0F << 10 << u"-"_s << 40.0F << u"残0"_s << false;
        // Extremes stay finite: no infinity in the label, no overflow into the gauge.
        QTest::newRow("huge total, tiny tank")
            << 4000 << 2000.0F << 1e-30F << std::numeric_limits<float>::max() << 0 << u"100"_s
            << 100.0F << u"残100"_s << false;
        QTest::newRow("tiny economy, most laps")
            << std::numeric_limits<qint32>::max() << std::numeric_limits<float>::denorm_min()
            << 100.0F << 60.0F << std::numeric_limits<qint32>::max() << u"100"_s << 0.0F << u"残0"_s
            << true;
        QTest::newRow("huge tank caption at a full tank")
            << 4000 << 2000.0F << 100.0F << 100.0F << 0 << u"1e308"_s << 100.0F << u"残1E+308"_s
            << false;
    }
    void estimate() {
        QFETCH(qint32, course);
        QFETCH(float, economy);
        QFETCH(float, tank);
        QFETCH(float, total);
        QFETCH(qint32, laps);
        QFETCH(QString, caption);
        QFETCH(float, percent);
        QFETCH(QString, zanGas);
        QFETCH(bool, blink);
        const auto view = fuelView({course, economy, tank, total, laps, caption});
        QVERIFY(view);
        QCOMPARE(view->percent, percent);
        QCOMPARE(view->fuelLeftText, zanGas);
        QCOMPARE(view->blink, blink);
    }

    // Without a usable course, economy or tank nothing is redrawn.
    void noEstimate_data() {
        QTest::addColumn<qint32>("course");
        QTest::addColumn<float>("economy");
        QTest::addColumn<float>("tank");
        QTest::addColumn<float>("total");
        constexpr float inf = std::numeric_limits<float>::infinity();
        constexpr float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("no course") << 0 << 2000.0F << 100.0F << 60.0F;
        QTest::newRow("no economy") << 4000 << 0.0F << 100.0F << 60.0F;
        QTest::newRow("no tank") << 4000 << 2000.0F << 0.0F << 60.0F;
        QTest::newRow("negative course") << -4000 << 2000.0F << 100.0F << 60.0F;
        QTest::newRow("negative economy") << 4000 << -2000.0F << 100.0F << 60.0F;
        QTest::newRow("negative tank") << 4000 << 2000.0F << -100.0F << 60.0F;
        QTest::newRow("infinite economy") << 4000 << inf << 100.0F << 60.0F;
        QTest::newRow("infinite tank") << 4000 << 2000.0F << inf << 60.0F;
        QTest::newRow("NaN economy") << 4000 << nan << 100.0F << 60.0F;
        QTest::newRow("NaN total") << 4000 << 2000.0F << 100.0F << nan;
    }
    void noEstimate() {
        QFETCH(qint32, course);
        QFETCH(float, economy);
        QFETCH(float, tank);
        QFETCH(float, total);
        QVERIFY(!fuelView({course, economy, tank, total, 10, u"100"_s}));
    }

    void refuelling_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<float>("total");
        QTest::addColumn<qint32>("course");
        QTest::addColumn<float>("economy");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<float>("newTotal");
        QTest::addColumn<QString>("allGas");

        QTest::newRow("first refuelling")
            << u"60"_s << 0.0F << 4000 << 2000.0F << true << 60.0F << u"60"_s;
        QTest::newRow("adds to the total")
            << u"25.5"_s << 20.0F << 4000 << 2000.0F << true << 45.5F << u"45.5"_s;
        QTest::newRow("single-precision text")
            << u"0.1"_s << 0.2F << 4000 << 2000.0F << true << 0.3F << u"0.3"_s;
        QTest::newRow("negative amount lowers it")
            << u"-10"_s << 60.0F << 4000 << 2000.0F << true << 50.0F << u"50"_s;
        QTest::newRow("leading number of the text")
            << u"12L"_s << 0.0F << 4000 << 2000.0F << true << 12.0F << u"12"_s;
        QTest::newRow("0") << u"0"_s << 20.0F << 4000 << 2000.0F << false << 0.0F << QString();
        QTest::newRow("empty") << QString() << 20.0F << 4000 << 2000.0F << false << 0.0F
                               << QString();
        QTest::newRow("blanks") << u"   "_s << 20.0F << 4000 << 2000.0F << false << 0.0F
                                << QString();
        QTest::newRow("letters") << u"abc"_s << 20.0F << 4000 << 2000.0F << false << 0.0F
                                 << QString();
        QTest::newRow("no course")
            << u"60"_s << 20.0F << 0 << 2000.0F << false << 0.0F << QString();
        QTest::newRow("no economy")
            << u"60"_s << 20.0F << 4000 << 0.0F << false << 0.0F << QString();
        QTest::newRow("negative economy")
            << u"60"_s << 20.0F << 4000 << -2000.0F << false << 0.0F << QString();
        QTest::newRow("amount too large")
            << u"1e39"_s << 0.0F << 4000 << 2000.0F << false << 0.0F << QString();
        QTest::newRow("total would overflow")
            << u"3e38"_s << 3e38F << 4000 << 2000.0F << false << 0.0F << QString();
    }
    void refuelling() {
        QFETCH(QString, amount);
        QFETCH(float, total);
        QFETCH(qint32, course);
        QFETCH(float, economy);
        QFETCH(bool, taken);
        QFETCH(float, newTotal);
        QFETCH(QString, allGas);
        const auto result = refuel(amount, total, course, economy);
        QCOMPARE(bool(result), taken);
        if (result) {
            QCOMPARE(result->FuelTotal, newTotal);
            QCOMPARE(kaltero::core::generalNumber(result->FuelTotal), allGas);
        }
    }

    // A refuelling that brings the car back to 20 % or more stops the blinking.
    void refuellingEndsTheBlink() {
        FuelInputs car{4000, 2000.0F, 100.0F, 60.0F, 21, u"100"_s};
        QVERIFY(fuelView(car)->blink);
        const auto taken = refuel(u"2"_s, car.FuelTotal, car.CourseLength, car.FuelEconomy);
        QVERIFY(taken);
        car.FuelTotal = taken->FuelTotal;
        const auto view = fuelView(car);
        QCOMPARE(view->percent, 20.0F);
        QVERIFY(!view->blink);
    }

    void fieldChecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<bool>("nenpiFixed");
        QTest::addColumn<float>("economy");

        QTest::newRow("whole number") << u"2"_s << true << false << 2000.0F;
        QTest::newRow("decimal") << u"8.5"_s << true << false << 8500.0F;
        QTest::newRow("blanks around") << u" 2.0 "_s << true << false << 2000.0F;
        QTest::newRow("point first") << u"+.5"_s << true << false << 500.0F;
        QTest::newRow("point last") << u"3."_s << true << false << 3000.0F;
        QTest::newRow("zero") << u"0"_s << true << false << 0.0F;
        QTest::newRow("empty") << QString() << false << true << 0.0F;
        QTest::newRow("blanks only") << u"  "_s << false << true << 0.0F;
        QTest::newRow("letters") << u"abc"_s << false << true << 0.0F;
        QTest::newRow("number then letters") << u"12km"_s << false << true << 0.0F;
        QTest::newRow("point alone") << u"."_s << false << true << 0.0F;
        QTest::newRow("two numbers") << u"1 2"_s << false << true << 0.0F;
        QTest::newRow("exponent") << u"1e3"_s << false << true << 0.0F;
        QTest::newRow("full-width digits") << u"２"_s << false << true << 0.0F;
        // A number, but no economy: it would make the fuel grow with every lap.
        QTest::newRow("negative") << u"-3"_s << true << true << 0.0F;
        // A number, but x 1000 no longer fits a single-precision figure.
        QTest::newRow("too large") << QString(60, u'9') << true << true << 0.0F;
    }
    void fieldChecks() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(bool, nenpiFixed);
        QFETCH(float, economy);
        QCOMPARE(isNumericText(text), numeric);

        const auto inGasl = checkRefuelText(text);
        QCOMPARE(bool(inGasl), !numeric);
        if (inGasl) {
            QCOMPARE(inGasl->text, QString());
            QVERIFY(!inGasl->keepFocus);
        }

        const auto zan = checkCountdownText(text);
        QCOMPARE(bool(zan), !numeric);
        if (zan) {
            QCOMPARE(zan->text, u"0"_s);
            QVERIFY(zan->keepFocus);
        }

        const FuelEconomyCheck nenpi = checkFuelEconomyText(text);
        QCOMPARE(bool(nenpi.fix), nenpiFixed);
        if (nenpi.fix) {
            QCOMPARE(nenpi.fix->text, u"0"_s);
            QVERIFY(!nenpi.fix->keepFocus);
        }
        QCOMPARE(nenpi.FuelEconomy, economy);
    }

    void countdownStep_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("next");
        QTest::newRow("10") << u"10"_s << u"9"_s;
        QTest::newRow("1 reaches 0") << u"1"_s << u"0"_s;
        QTest::newRow("goes below zero") << u"0"_s << u"-1"_s;
        QTest::newRow("and further") << u"-1"_s << u"-2"_s;
        QTest::newRow("overwritten with letters") << u"abc"_s << u"-1"_s;
        QTest::newRow("emptied") << QString() << u"-1"_s;
        QTest::newRow("fraction") << u"2.5"_s << u"1.5"_s;
        QTest::newRow("leading zero") << u"03"_s << u"2"_s;
        QTest::newRow("blanks inside") << u" 1 2 "_s << u"11"_s;
        QTest::newRow("huge stays finite") << u"1e999"_s << u"1.79769313486232E+308"_s;
    }
    void countdownStep() {
        QFETCH(QString, text);
        QFETCH(QString, next);
        QCOMPARE(kaltero::race::countdownStep(text), next);
    }

    void countdownRun() {
        const CountdownView on = countdownSwitch(true, 10);
        QVERIFY(on.enabled);
        QVERIFY(on.captionsOn);
        QString text = on.text;
        QCOMPARE(text, u"10"_s);
        for (int lap = 0; lap < 3; ++lap) {
            text = kaltero::race::countdownStep(text);
        }
        QCOMPARE(text, u"7"_s);

        const CountdownView off = countdownSwitch(false, 10);
        QVERIFY(!off.enabled);
        QCOMPARE(off.text, u"0"_s);
        QVERIFY(!off.captionsOn);

        QCOMPARE(countdownSwitch(true, 25).text, u"25"_s);
    }
};

QTEST_APPLESS_MAIN(TestFuel)
#include "test_fuel.moc"
