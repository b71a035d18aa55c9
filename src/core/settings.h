#pragma once

#include "core/race_rules.h"
#include "core/relay_settings.h"
#include "core/slot_state.h"

#include <QString>
#include <array>

namespace kaltero::core {

// The operator's seven settings and the timing units derived from them. A default-constructed
// value holds the defaults that a missing Kaltero.ini gets.
struct Settings {
    QString Precision = QStringLiteral("1/1000");
    qint32 TicksPerSecond = 1000;
    QString FractionFormat = QStringLiteral("000");
    qint32 MsPerTick = 1;
    qint16 NoCommSeconds = 10;
    qint32 NoCommTicks = 10000;
    QString AutoMess3 = QStringLiteral("あと３周でピットインです。");
    QString AutoMess2 = QStringLiteral("あと２周でピットインです。");
    QString AutoMess1 = QStringLiteral("次の周でピットインしてください。");
    QString AutoMess0 = QStringLiteral("はよピットインせんかい！");
    qint32 CheckDefaultLaps = 10;
    // A car's report is taken only from its car PC's address; off for a car PC that may send
    // from another of its interfaces.
    bool CheckSender = true;
    // The live timing page: served while on, on this TCP port, to whoever holds the access key
    // (32 hex digits, made at the first start).
    bool LiveOn = true;
    quint16 LivePort = 8080;
    QString LiveKey;
    // Races the journal keeps: those started in the last this many days (0: every race).
    qint32 JournalDays = 30;
    // The endurance rules and the pit stop threshold, in force from the next Start or 登録.
    RaceRules rules;
    // The broker this console publishes to (off by default).
    RelaySettings relay;

    // Recomputes TicksPerSecond, FractionFormat and MsPerTick from Precision, and NoCommTicks.
    void derive();
    // The same units at a race's own precision (100 or 1000 ticks a second), whatever Precision
    // is set to meanwhile: a race is timed to its end in the units it started with.
    void timeAt(qint32 ticksPerSecond);
};

// Section and key names of Kaltero.ini.
namespace ini {
inline const QString kTimingSection = QStringLiteral("計測環境設定");
inline const QString kMessageSection = QStringLiteral("自動メッセージ設定");
inline const QString kPrecision = QStringLiteral("計測精度");
inline const QString kNoCommSeconds = QStringLiteral("ラップ加算無通信秒数");
inline const QString kCheckSender = QStringLiteral("送信元確認");
inline const QString kAutoMess3 = QStringLiteral("残り３周の自動メッセージ");
inline const QString kAutoMess2 = QStringLiteral("残り２周の自動メッセージ");
inline const QString kAutoMess1 = QStringLiteral("残り１周の自動メッセージ");
inline const QString kAutoMess0 = QStringLiteral("残りが無くなった時の自動メッセージ");
inline const QString kCheckDefaultLaps = QStringLiteral("チェック時のデフォルト周数");
inline const QString kLiveSection = QStringLiteral("ライブ表示");
inline const QString kLiveOn = QStringLiteral("有効");
inline const QString kLivePort = QStringLiteral("ポート番号");
inline const QString kLiveKey = QStringLiteral("アクセスキー");
inline const QString kJournalSection = QStringLiteral("計測記録");
inline const QString kJournalDays = QStringLiteral("保存日数");
inline const QString kPitStopSeconds = QStringLiteral("ピット判定秒数");
inline const QString kRulesSection = QStringLiteral("耐久規定");
inline const QString kMaxStintMinutes = QStringLiteral("最大スティント分数");
inline const QString kMaxDrivingMinutes = QStringLiteral("最大運転分数");
inline const QString kMinDrivingMinutes = QStringLiteral("最小運転分数");
inline const QString kMinPitStopSeconds = QStringLiteral("最小ピット秒数");
inline const QString kMinPitStops = QStringLiteral("最少ピット回数");
inline const QString kStintMessage = QStringLiteral("スティント上限前の自動メッセージ");
inline const QString kStintMessageMinutes = QStringLiteral("スティント上限前の自動メッセージ分数");
inline const QString kPitTimeRule = QStringLiteral("ピット時間の扱い");
}  // namespace ini

// Reads the seven keys in file order, writes every missing or empty one back with its
// default (the file is read once and written at most once), and derives the timing units. Never
// fails: unusable values fall back (seconds outside 1..99 or not a number -> 10, lap count beyond
// 32 bits -> 10, a port outside 1..65535 -> 8080) in memory only. An access key that is not 32 hex
// digits (missing, or shortened by hand) is replaced by a new random one, which is written back.
Settings ReadSettings(const QString& settingsFile);

// Writes one key; non-zero on success.
qint32 WriteIni(const QString& section, const QString& key, const QString& value,
                const QString& file);

// 128 random bits from the system's generator as 32 lower-case hex digits.
QString newLiveKey();
// True for 32 hex digits.
bool isLiveKey(const QString& key);

// Writes all seven keys and the live page's keys in file order (the settings panel's save) in one
// write of the file, so that the file never holds some of the new values and not others. True when
// it was written.
bool WriteAllSettings(const Settings& settings, const QString& settingsFile);

// The settings panel's rows, top to bottom: precision, no-communication seconds, the four
// automatic messages (3, 2, 1, 0 laps left), default lap count; then the pit stop threshold
// (seconds), the five endurance rules (maximum stint, maximum and minimum driving minutes,
// minimum stop seconds, least stop count; 0: not used), the stint message and its minutes, and
// whose driving time a stop is (0, 1 or 2).
inline constexpr int kPanelRowCount = 16;
using PanelRows = std::array<QString, kPanelRowCount>;
// 1-based rows of the panel.
namespace panel_row {
inline constexpr int kNoCommSeconds = 2;
inline constexpr int kPitStopSeconds = 8;
inline constexpr int kPitTimeRule = 16;
}  // namespace panel_row

// The rules' rows, in the panel's order and the order their keys are read: where each lives in
// Kaltero.ini, its row of the panel, and the field it sets: a count (the least and the most it
// may be; the pit stop threshold from 1, for 0 would make every pass a stop) or a text.
struct RuleRow {
    QString section;
    QString key;
    int panelRow = 0;
    qint32 RaceRules::*count = nullptr;
    QString RaceRules::*text = nullptr;
    qint32 least = 0;
    qint32 most = 99999;
};
const std::array<RuleRow, 9>& ruleRows();

struct PanelResult {
    // The precision of row 1 is in force even when the rest is refused, so `settings` always
    // carries it (with every derived unit); the other rows are taken only when ok.
    Settings settings;
    // False when the seconds row is not a whole number 1..99, or a rule's row not a whole
    // number (0..99999; the pit stop threshold 1..99999; the pit time rule 0..2): nothing may
    // be saved then.
    bool ok = false;
    // The first refused row (1-based); 0 when ok.
    int badRow = 0;
};

// The rules as typed in their rows of the panel, over `current`; `badRow` is the first row that
// is not a whole number in its range (0 when all are), and the rules are then `current`.
struct RulesEntry {
    RaceRules rules;
    int badRow = 0;
};
RulesEntry rulesFromRows(const RaceRules& current, const PanelRows& rows);

// The settings panel's confirm rule. Commas in the messages (the stint message too) become
// blanks; a lap count beyond 32 bits keeps the current one.
PanelResult settingsFromPanel(const Settings& current, const PanelRows& rows);

}  // namespace kaltero::core
