#pragma once

#include <QString>

namespace kaltero::core {

// The operator's seven settings and the timing units derived from them.
struct Settings {
    QString Precision = QStringLiteral("1/1000");
    qint32 TicksPerSecond = 1000;
    QString FractionFormat = QStringLiteral("000");
    qint32 MsPerTick = 1;
    qint16 NoCommSeconds = 10;
    qint32 NoCommTicks = 10000;
    QString AutoMess3;
    QString AutoMess2;
    QString AutoMess1;
    QString AutoMess0;
    qint32 CheckDefaultLaps = 10;

    // Recomputes TicksPerSecond, FractionFormat and MsPerTick from Precision, and NoCommTicks.
    void derive();
};

// Section and key names of Kaltero.ini.
namespace ini {
inline const QString kTimingSection = QStringLiteral("計測環境設定");
inline const QString kMessageSection = QStringLiteral("自動メッセージ設定");
inline const QString kPrecision = QStringLiteral("計測精度");
inline const QString kNoCommSeconds = QStringLiteral("ラップ加算無通信秒数");
inline const QString kAutoMess3 = QStringLiteral("残り３周の自動メッセージ");
inline const QString kAutoMess2 = QStringLiteral("残り２周の自動メッセージ");
inline const QString kAutoMess1 = QStringLiteral("残り１周の自動メッセージ");
inline const QString kAutoMess0 = QStringLiteral("残りが無くなった時の自動メッセージ");
inline const QString kCheckDefaultLaps = QStringLiteral("チェック時のデフォルト周数");
}  // namespace ini

// Reads the seven keys in file order, writes every missing or empty one back with its
// default, and derives the timing units. Never fails: unusable values fall back.
Settings ReadSettings(const QString& settingsFile);

// Writes one key; non-zero on success.
qint32 WriteIni(const QString& section, const QString& key, const QString& value,
                const QString& file);

// Writes all seven keys in file order (the settings panel's save).
void WriteAllSettings(const Settings& settings, const QString& settingsFile);

}  // namespace kaltero::core
