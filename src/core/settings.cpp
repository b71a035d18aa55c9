#include "settings.h"

#include "number_text.h"
#include "platform/profile_file.h"

namespace kaltero::core {
namespace {

const Settings kDefaults;

bool isOneTo99(std::optional<qint16> seconds) {
    return seconds && *seconds >= 1 && *seconds <= 99;
}

// One key: a missing or empty one gets its default written back and used.
QString readKey(const QString& section, const QString& key, const QString& defaultValue,
                const QString& file) {
    if (const auto value = platform::readProfileString(section, key, file)) {
        return *value;
    }
    WriteIni(section, key, defaultValue, file);
    return defaultValue;
}

}  // namespace

void Settings::derive() {
    const bool milliseconds = Precision == u"1/1000";
    TicksPerSecond = milliseconds ? 1000 : 100;
    FractionFormat = milliseconds ? QStringLiteral("000") : QStringLiteral("00");
    MsPerTick = milliseconds ? 1 : 10;
    NoCommTicks = qint32{NoCommSeconds} * TicksPerSecond;
}

Settings ReadSettings(const QString& settingsFile) {
    using namespace ini;
    Settings s;
    s.Precision = readKey(kTimingSection, kPrecision, kDefaults.Precision, settingsFile);

    // Out of range stays in the file as the operator wrote it; only this run uses 10.
    const auto seconds = roundToInt16(leadingNumber(readKey(
        kTimingSection, kNoCommSeconds, QString::number(kDefaults.NoCommSeconds), settingsFile)));
    s.NoCommSeconds = isOneTo99(seconds) ? *seconds : kDefaults.NoCommSeconds;
    // Only a 0 switches the check off; any other value keeps it.
    s.CheckSender =
        readKey(kTimingSection, kCheckSender, QStringLiteral("1"), settingsFile).trimmed() != u"0";

    s.AutoMess3 = readKey(kMessageSection, kAutoMess3, kDefaults.AutoMess3, settingsFile);
    s.AutoMess2 = readKey(kMessageSection, kAutoMess2, kDefaults.AutoMess2, settingsFile);
    s.AutoMess1 = readKey(kMessageSection, kAutoMess1, kDefaults.AutoMess1, settingsFile);
    s.AutoMess0 = readKey(kMessageSection, kAutoMess0, kDefaults.AutoMess0, settingsFile);

    // A word reads 0 by the leading-number rule; only a count no lap counter can hold falls
    // back to the default.
    const auto laps = roundToInt32(
        leadingNumber(readKey(kMessageSection, kCheckDefaultLaps,
                              QString::number(kDefaults.CheckDefaultLaps), settingsFile)));
    s.CheckDefaultLaps = laps.value_or(kDefaults.CheckDefaultLaps);

    s.derive();
    return s;
}

qint32 WriteIni(const QString& section, const QString& key, const QString& value,
                const QString& file) {
    return platform::writeProfileString(section, key, value, file) ? 1 : 0;
}

bool WriteAllSettings(const Settings& settings, const QString& settingsFile) {
    using namespace ini;
    bool ok = WriteIni(kTimingSection, kPrecision, settings.Precision, settingsFile) != 0;
    ok = WriteIni(kTimingSection, kNoCommSeconds, QString::number(settings.NoCommSeconds),
                  settingsFile) != 0 &&
         ok;
    ok = WriteIni(kTimingSection, kCheckSender,
                  settings.CheckSender ? QStringLiteral("1") : QStringLiteral("0"),
                  settingsFile) != 0 &&
         ok;
    ok = WriteIni(kMessageSection, kAutoMess3, settings.AutoMess3, settingsFile) != 0 && ok;
    ok = WriteIni(kMessageSection, kAutoMess2, settings.AutoMess2, settingsFile) != 0 && ok;
    ok = WriteIni(kMessageSection, kAutoMess1, settings.AutoMess1, settingsFile) != 0 && ok;
    ok = WriteIni(kMessageSection, kAutoMess0, settings.AutoMess0, settingsFile) != 0 && ok;
    ok = WriteIni(kMessageSection, kCheckDefaultLaps, QString::number(settings.CheckDefaultLaps),
                  settingsFile) != 0 &&
         ok;
    return ok;
}

PanelResult settingsFromPanel(const Settings& current, const PanelRows& rows) {
    PanelResult result{current, false};
    Settings& s = result.settings;
    // The new precision holds at once; the silence limit in ticks follows it, or a refused
    // confirm would leave the limit counted in the old tick length.
    s.Precision = rows[0];
    s.derive();

    const auto seconds = roundToInt16(leadingNumber(rows[1]));
    if (!isOneTo99(seconds)) {
        return result;
    }
    s.NoCommSeconds = *seconds;

    const auto noCommas = [](QString text) { return text.replace(u',', u' '); };
    s.AutoMess3 = noCommas(rows[2]);
    s.AutoMess2 = noCommas(rows[3]);
    s.AutoMess1 = noCommas(rows[4]);
    s.AutoMess0 = noCommas(rows[5]);
    s.CheckDefaultLaps = roundToInt32(leadingNumber(rows[6])).value_or(current.CheckDefaultLaps);
    s.derive();
    result.ok = true;
    return result;
}

}  // namespace kaltero::core
