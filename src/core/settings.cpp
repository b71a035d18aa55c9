#include "settings.h"

#include "number_text.h"
#include "platform/profile_file.h"

#include <QRandomGenerator>
#include <QSysInfo>

#include <algorithm>

namespace kaltero::core {
namespace {

const Settings kDefaults;

// The messages and texts are kept without commas.
QString noCommas(QString text) {
    return text.replace(u',', u' ');
}

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

// A whole number of minutes, seconds or stops from `least` to `most`; anything else keeps the
// default.
qint32 countOr(const QString& text, qint32 defaultValue, qint32 least, qint32 most) {
    const auto n = roundToInt32(leadingNumber(text));
    return n && *n >= least && *n <= most ? *n : defaultValue;
}

template <typename Key>
void readRules(const Key& key, RaceRules& r) {
    const RaceRules d;
    for (const RuleRow& row : ruleRows()) {
        if (row.count) {
            r.*row.count = countOr(key(row.section, row.key, QString::number(d.*row.count)),
                                   d.*row.count, row.least, row.most);
        } else {
            r.*row.text = key(row.section, row.key, d.*row.text);
        }
    }
}

void writeRules(const RaceRules& r, platform::Profile& profile) {
    for (const RuleRow& row : ruleRows()) {
        profile.setValue(row.section, row.key,
                         row.count ? QString::number(r.*row.count) : r.*row.text);
    }
}

}  // namespace

const std::array<RuleRow, 9>& ruleRows() {
    using namespace ini;
    using R = RaceRules;
    static const std::array<RuleRow, 9> rows = {
        RuleRow{kTimingSection, kPitStopSeconds, 8, &R::PitStopSeconds, nullptr, 1},
        RuleRow{kRulesSection, kMaxStintMinutes, 9, &R::MaxStintMinutes, nullptr, 0},
        RuleRow{kRulesSection, kMaxDrivingMinutes, 10, &R::MaxDrivingMinutes, nullptr, 0},
        RuleRow{kRulesSection, kMinDrivingMinutes, 11, &R::MinDrivingMinutes, nullptr, 0},
        RuleRow{kRulesSection, kMinPitStopSeconds, 12, &R::MinPitStopSeconds, nullptr, 0},
        RuleRow{kRulesSection, kMinPitStops, 13, &R::MinPitStops, nullptr, 0},
        RuleRow{kMessageSection, kStintMessage, 14, nullptr, &R::StintMessage, 0},
        RuleRow{kMessageSection, kStintMessageMinutes, 15, &R::StintMessageMinutes, nullptr, 0},
        RuleRow{kRulesSection, kPitTimeRule, 16, &R::PitTimeRule, nullptr, 0, 2},
    };
    return rows;
}

void Settings::derive() {
    timeAt(Precision == u"1/1000" ? 1000 : 100);
}

void Settings::timeAt(qint32 ticksPerSecond) {
    const bool milliseconds = ticksPerSecond != 100;
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
    s.relay = readRelaySettings(profile, QSysInfo::machineHostName());

    // The file holds the live page's key: a new one is for the console's user alone.
    if (read && profile.changed()) {
        profile.write(settingsFile, platform::NewFileAccess::OwnerOnly);
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
    return profile->write(settingsFile, platform::NewFileAccess::OwnerOnly);
}

RulesEntry rulesFromRows(const RaceRules& current, const PanelRows& rows) {
    // The rules' counts are whole numbers in their range; nothing is taken while one is not.
    RaceRules rules = current;
    for (const RuleRow& row : ruleRows()) {
        const QString& typed = rows[row.panelRow - 1];
        if (!row.count) {
            rules.*row.text = noCommas(typed);
            continue;
        }
        const auto n = wholeNumber(typed, row.most);
        if (!n || *n < row.least) {
            return {current, row.panelRow};
        }
        rules.*row.count = *n;
    }
    return {rules, 0};
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
    const RulesEntry entry = rulesFromRows(current.rules, rows);
    if (entry.badRow != 0) {
        result.badRow = entry.badRow;
        return result;
    }
    s.NoCommSeconds = *seconds;
    s.AutoMess3 = noCommas(rows[2]);
    s.AutoMess2 = noCommas(rows[3]);
    s.AutoMess1 = noCommas(rows[4]);
    s.AutoMess0 = noCommas(rows[5]);
    s.CheckDefaultLaps = roundToInt32(leadingNumber(rows[6])).value_or(current.CheckDefaultLaps);
    s.rules = entry.rules;
    s.derive();
    result.ok = true;
    return result;
}

}  // namespace kaltero::core
