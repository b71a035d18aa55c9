#include "settings.h"

#include "number_text.h"
#include "platform/profile_file.h"

#include <QRandomGenerator>

#include <algorithm>

namespace kaltero::core {
namespace {

const Settings kDefaults;

bool isOneTo99(std::optional<qint16> seconds) {
    return seconds && *seconds >= 1 && *seconds <= 99;
}

// One key of the profile read at start-up: a missing or empty one gets its default, which
// goes into the profile to be written back.
QString readKey(platform::Profile& profile, const QString& section, const QString& key,
                const QString& defaultValue) {
    if (const auto value = profile.value(section, key)) {
        return *value;
    }
    profile.setValue(section, key, defaultValue);
    return defaultValue;
}

// A whole number of minutes, seconds or stops, 0 and up; anything else keeps the default.
qint32 countOr(const QString& text, qint32 defaultValue, qint32 least = 0) {
    const auto n = roundToInt32(leadingNumber(text));
    return n && *n >= least ? *n : defaultValue;
}

template <typename Key>
void readRules(const Key& key, RaceRules& r) {
    using namespace ini;
    const RaceRules d;
    const auto count = [&key](const QString& section, const QString& name, qint32 defaultValue,
                              qint32 least = 0) {
        return countOr(key(section, name, QString::number(defaultValue)), defaultValue, least);
    };
    // A threshold of 0 would make every pass a stop.
    r.PitStopSeconds = count(kTimingSection, kPitStopSeconds, d.PitStopSeconds, 1);
    r.MaxStintMinutes = count(kRulesSection, kMaxStintMinutes, d.MaxStintMinutes);
    r.MaxDrivingMinutes = count(kRulesSection, kMaxDrivingMinutes, d.MaxDrivingMinutes);
    r.MinDrivingMinutes = count(kRulesSection, kMinDrivingMinutes, d.MinDrivingMinutes);
    r.MinPitStopSeconds = count(kRulesSection, kMinPitStopSeconds, d.MinPitStopSeconds);
    r.MinPitStops = count(kRulesSection, kMinPitStops, d.MinPitStops);
    r.StintMessage = key(kMessageSection, kStintMessage, d.StintMessage);
    r.StintMessageMinutes = count(kMessageSection, kStintMessageMinutes, d.StintMessageMinutes);
}

void writeRules(const RaceRules& r, platform::Profile& profile) {
    using namespace ini;
    const auto put = [&profile](const QString& section, const QString& name, qint32 n) {
        profile.setValue(section, name, QString::number(n));
    };
    put(kTimingSection, kPitStopSeconds, r.PitStopSeconds);
    put(kRulesSection, kMaxStintMinutes, r.MaxStintMinutes);
    put(kRulesSection, kMaxDrivingMinutes, r.MaxDrivingMinutes);
    put(kRulesSection, kMinDrivingMinutes, r.MinDrivingMinutes);
    put(kRulesSection, kMinPitStopSeconds, r.MinPitStopSeconds);
    put(kRulesSection, kMinPitStops, r.MinPitStops);
    profile.setValue(kMessageSection, kStintMessage, r.StintMessage);
    put(kMessageSection, kStintMessageMinutes, r.StintMessageMinutes);
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
    // Read and parsed once; the defaults of every missing key go back in one write. A file that
    // exists but cannot be read is left alone and the defaults hold for this run.
    const auto read = platform::Profile::read(settingsFile);
    platform::Profile profile = read.value_or(platform::Profile{});
    const auto key = [&profile](const QString& section, const QString& name,
                                const QString& defaultValue) {
        return readKey(profile, section, name, defaultValue);
    };
    Settings s;
    s.Precision = key(kTimingSection, kPrecision, kDefaults.Precision);

    // Out of range stays in the file as the operator wrote it; only this run uses 10.
    const auto seconds = roundToInt16(leadingNumber(
        key(kTimingSection, kNoCommSeconds, QString::number(kDefaults.NoCommSeconds))));
    s.NoCommSeconds = isOneTo99(seconds) ? *seconds : kDefaults.NoCommSeconds;
    // Only a 0 switches the check off; any other value keeps it.
    s.CheckSender = key(kTimingSection, kCheckSender, QStringLiteral("1")).trimmed() != u"0";

    s.AutoMess3 = key(kMessageSection, kAutoMess3, kDefaults.AutoMess3);
    s.AutoMess2 = key(kMessageSection, kAutoMess2, kDefaults.AutoMess2);
    s.AutoMess1 = key(kMessageSection, kAutoMess1, kDefaults.AutoMess1);
    s.AutoMess0 = key(kMessageSection, kAutoMess0, kDefaults.AutoMess0);

    // A word reads 0 by the leading-number rule; only a count no lap counter can hold falls
    // back to the default.
    const auto laps = roundToInt32(leadingNumber(
        key(kMessageSection, kCheckDefaultLaps, QString::number(kDefaults.CheckDefaultLaps))));
    s.CheckDefaultLaps = laps.value_or(kDefaults.CheckDefaultLaps);

    s.LiveOn = key(kLiveSection, kLiveOn, QStringLiteral("1")).trimmed() != u"0";
    const auto port = roundToInt32(
        leadingNumber(key(kLiveSection, kLivePort, QString::number(kDefaults.LivePort))));
    s.LivePort = port && *port >= 1 && *port <= 65535 ? quint16(*port) : kDefaults.LivePort;
    // The key guards the page: a short or hand-made one is replaced, not trusted.
    s.LiveKey = key(kLiveSection, kLiveKey, {}).trimmed().toLower();
    if (!isLiveKey(s.LiveKey)) {
        s.LiveKey = newLiveKey();
        profile.setValue(kLiveSection, kLiveKey, s.LiveKey);
    }

    // A negative or unreadable count keeps the default; 0 keeps every race.
    const auto days = roundToInt32(
        leadingNumber(key(kJournalSection, kJournalDays, QString::number(kDefaults.JournalDays))));
    s.JournalDays = days && *days >= 0 ? *days : kDefaults.JournalDays;

    readRules(key, s.rules);

    if (read && profile.changed()) {
        profile.write(settingsFile);
    }
    s.derive();
    return s;
}

QString newLiveKey() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString key;
    for (const quint32 w : words) {
        key += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    }
    return key;
}

bool isLiveKey(const QString& key) {
    return key.size() == 32 && std::all_of(key.begin(), key.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') ||
                      (c >= u'A' && c <= u'F');
           });
}

qint32 WriteIni(const QString& section, const QString& key, const QString& value,
                const QString& file) {
    return platform::writeProfileString(section, key, value, file) ? 1 : 0;
}

bool WriteAllSettings(const Settings& settings, const QString& settingsFile) {
    using namespace ini;
    auto profile = platform::Profile::read(settingsFile);
    if (!profile) {
        return false;
    }
    profile->setValue(kTimingSection, kPrecision, settings.Precision);
    profile->setValue(kTimingSection, kNoCommSeconds, QString::number(settings.NoCommSeconds));
    profile->setValue(kTimingSection, kCheckSender,
                      settings.CheckSender ? QStringLiteral("1") : QStringLiteral("0"));
    profile->setValue(kMessageSection, kAutoMess3, settings.AutoMess3);
    profile->setValue(kMessageSection, kAutoMess2, settings.AutoMess2);
    profile->setValue(kMessageSection, kAutoMess1, settings.AutoMess1);
    profile->setValue(kMessageSection, kAutoMess0, settings.AutoMess0);
    profile->setValue(kMessageSection, kCheckDefaultLaps,
                      QString::number(settings.CheckDefaultLaps));
    profile->setValue(kLiveSection, kLiveOn,
                      settings.LiveOn ? QStringLiteral("1") : QStringLiteral("0"));
    profile->setValue(kLiveSection, kLivePort, QString::number(settings.LivePort));
    // A settings value without a key keeps the one in the file.
    if (isLiveKey(settings.LiveKey)) {
        profile->setValue(kLiveSection, kLiveKey, settings.LiveKey);
    }
    profile->setValue(kJournalSection, kJournalDays, QString::number(settings.JournalDays));
    writeRules(settings.rules, *profile);
    return profile->write(settingsFile);
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
        result.badRow = panel_row::kNoCommSeconds;
        return result;
    }
    // The rules' rows: whole numbers, the pit stop threshold from 1 (0 would make every pass a
    // stop), the others from 0 (not used).
    std::array<qint32, 7> counts{};
    constexpr std::array<int, 7> countRows = {
        8, 9, 10, 11, 12, 13, panel_row::kStintMessageMinutes};
    for (std::size_t i = 0; i < countRows.size(); ++i) {
        const int row = countRows[i];
        const auto n = wholeNumber(rows[row - 1]);
        if (!n || (row == panel_row::kPitStopSeconds && *n < 1)) {
            result.badRow = row;
            return result;
        }
        counts[i] = *n;
    }
    s.NoCommSeconds = *seconds;

    const auto noCommas = [](QString text) { return text.replace(u',', u' '); };
    s.AutoMess3 = noCommas(rows[2]);
    s.AutoMess2 = noCommas(rows[3]);
    s.AutoMess1 = noCommas(rows[4]);
    s.AutoMess0 = noCommas(rows[5]);
    s.CheckDefaultLaps = roundToInt32(leadingNumber(rows[6])).value_or(current.CheckDefaultLaps);
    RaceRules& r = s.rules;
    r.PitStopSeconds = counts[0];
    r.MaxStintMinutes = counts[1];
    r.MaxDrivingMinutes = counts[2];
    r.MinDrivingMinutes = counts[3];
    r.MinPitStopSeconds = counts[4];
    r.MinPitStops = counts[5];
    r.StintMessage = noCommas(rows[panel_row::kStintMessage - 1]);
    r.StintMessageMinutes = counts[6];
    s.derive();
    result.ok = true;
    return result;
}

}  // namespace kaltero::core
