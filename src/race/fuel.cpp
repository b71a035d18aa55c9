#include "race/fuel.h"

#include "core/number_text.h"
#include "core/slot_state.h"

#include <cmath>
#include <limits>

namespace kaltero::race {

using namespace Qt::StringLiterals;

namespace {

constexpr double kFloatMax = std::numeric_limits<float>::max();

// A figure the estimate can divide by or multiply with: set, positive and finite.
bool usable(double value) {
    return std::isfinite(value) && value > 0.0;
}

}  // namespace

std::optional<FuelView> fuelView(const FuelInputs& in) {
    if (!usable(in.CourseLength) || !usable(in.FuelEconomy) || !usable(in.TankCapacity) ||
        !std::isfinite(in.FuelTotal)) {
        return std::nullopt;
    }
    const double usedPerLap = double(in.CourseLength) / double(in.FuelEconomy);
    double p = (double(in.FuelTotal) - usedPerLap * in.LapCnt) / double(in.TankCapacity) * 100.0;
    // Clamped before it is narrowed to single precision, so that no out-of-range value is ever
    // converted; inside 0..100 the order makes no difference.
    if (!(p >= 0.0)) {
        p = 0.0;
    } else if (p > 100.0) {
        p = 100.0;
    }
    FuelView view;
    view.percent = static_cast<float>(p);
    view.blink = view.percent < kLowFuelPercent;

    const double tank = core::leadingNumber(in.tankCaption);
    double litres = tank * double(view.percent) / 100.0;
    if (!std::isfinite(litres)) {
        litres = tank * (double(view.percent) / 100.0);  // a huge caption: never above it
    }
    view.fuelLeftText = u"残"_s + core::generalNumber(std::floor(litres));
    return view;
}

std::optional<Refuel> refuel(QStringView amountText, float FuelTotal, qint32 CourseLength,
                             float FuelEconomy) {
    if (!usable(CourseLength) || !usable(FuelEconomy)) {
        return std::nullopt;
    }
    const double amount = core::leadingNumber(amountText);
    if (amount == 0.0) {
        return std::nullopt;
    }
    const double total = amount + double(FuelTotal);
    if (!std::isfinite(total) || std::fabs(total) > kFloatMax) {
        return std::nullopt;
    }
    Refuel result;
    result.FuelTotal = static_cast<float>(total);
    return result;
}

bool isNumericText(QStringView text) {
    return core::isPlainNumber(text);
}

std::optional<FieldFix> checkRefuelText(QStringView text) {
    if (isNumericText(text)) {
        return std::nullopt;
    }
    return FieldFix{};
}

FuelEconomyCheck checkFuelEconomyText(QStringView text) {
    FuelEconomyCheck check;
    if (isNumericText(text)) {
        const double economy = core::leadingNumber(text) * 1000.0;
        if (economy >= 0.0 && economy <= kFloatMax) {
            check.FuelEconomy = static_cast<float>(economy);
            return check;
        }
    }
    check.fix = FieldFix{u"0"_s, false};
    return check;
}

std::optional<FieldFix> checkCountdownText(QStringView text) {
    if (isNumericText(text)) {
        return std::nullopt;
    }
    return FieldFix{u"0"_s, true};
}

QString countdownStep(QStringView text) {
    // The leading number saturates at the largest double, so the result is always finite.
    return core::generalNumber(core::leadingNumber(text) - 1.0);
}

CountdownView countdownSwitch(bool ticked, qint32 CheckDefaultLaps) {
    if (ticked) {
        return {true, QString::number(CheckDefaultLaps), true};
    }
    return {false, core::kCountdownOffText, false};
}

}  // namespace kaltero::race
