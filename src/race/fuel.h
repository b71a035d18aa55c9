#pragma once

#include <QString>
#include <optional>

namespace kaltero::race {

// Below this percentage of the tank the gauge blinks.
inline constexpr float kLowFuelPercent = 20.0F;

// What the fuel estimate of one car is computed from.
struct FuelInputs {
    qint32 CourseLength = 0;    // metres, 0 = no course chosen
    float FuelEconomy = 0.0F;   // metres per litre
    float TankCapacity = 0.0F;  // litres
    float FuelTotal = 0.0F;     // litres put in
    qint32 LapCnt = 0;
    QString tankCaption;  // the tank capacity as the car file gives it, as shown
};

// What UpdateFuelView shows.
struct FuelView {
    float percent = 0.0F;  // the fuel gauge, 0 to 100
    QString fuelLeftText;  // fuel left as shown beside the gauge, "残40"
    bool blink = false;    // the gauge blinks; when false it turns yellow at once
};

// The fuel estimate, or nothing when it cannot be made: no course, no economy or no tank.
// A course length, economy or tank capacity that is negative or not finite counts as missing
// too: a negative one would make the fuel grow with every lap.
//   course 4000 m, 2000 m/l, tank 100 l, 60 l in, 10 laps -> 40 %, "残40", no blink
//   same after 21 laps -> 18 %, "残18", blink; 150 l in, 0 laps -> 100 %, "残100"
std::optional<FuelView> fuelView(const FuelInputs& in);

// A refuelling that was taken.
struct Refuel {
    float FuelTotal = 0.0F;
};

// Refuelling (給油): adds the leading number of the amount text to the total. Nothing (beep, no
// change) without a course or an economy, for an amount of 0 (empty field, letters), and for
// a total that a single-precision figure cannot hold. A negative amount lowers the total.
//   ("25.5", total 20, course 4000, 2000 m/l) -> 45.5; ("abc", ...) -> nothing
std::optional<Refuel> refuel(QStringView amountText, float FuelTotal, qint32 CourseLength,
                             float FuelEconomy);

// True when the whole text is one decimal number: an optional sign, digits with an optional
// decimal point, blanks around it. Empty, letters, a second number or an exponent are not.
//   " -12.5 " -> true, "1.", ".5" -> true; "", "abc", "12abc", "1e3", "1 2" -> false
bool isNumericText(QStringView text);

// The answer to a field left with a bad value: beep and show the replacement text.
struct FieldFix {
    QString text;
    bool keepFocus = false;  // the focus goes back into the field
};

// The refuel amount left by the operator: a bad amount is emptied.
std::optional<FieldFix> checkRefuelText(QStringView text);

// The economy left by the operator: the economy (km/l) as entered and the FuelEconomy it gives.
struct FuelEconomyCheck {
    std::optional<FieldFix> fix;  // set: beep and replace the text with "0"
    float FuelEconomy = 0.0F;     // metres per litre
};
// A bad entry becomes "0" and economy 0. So does a negative economy or one too large for a
// single-precision figure once multiplied by 1000: the estimate then waits for a valid one.
//   "2.0" -> 2000; "8.5" -> 8500; "abc" -> "0", 0; "-3" -> "0", 0
FuelEconomyCheck checkFuelEconomyText(QStringView text);

// The countdown left by the operator: a bad count becomes "0" and keeps the focus.
std::optional<FieldFix> checkCountdownText(QStringView text);

// One lap counted while the countdown is on: the numeric value of the text minus 1, in the
// general number form. It goes on below zero; a text without a number counts as 0.
//   "10" -> "9", "1" -> "0", "0" -> "-1", "-1" -> "-2", "abc" -> "-1", "2.5" -> "1.5"
QString countdownStep(QStringView text);

// The countdown to the driver change switched on or off: its count and its captions.
struct CountdownView {
    bool enabled = false;     // the count can be typed
    QString text;             // the count as shown
    bool captionsOn = false;  // the countdown's captions shown as running, not greyed
};
//   (true, 10) -> enabled, "10", captions on; (false, 10) -> disabled, "0", captions off
CountdownView countdownSwitch(bool ticked, qint32 CheckDefaultLaps);

}  // namespace kaltero::race
