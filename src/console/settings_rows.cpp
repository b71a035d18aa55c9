#include "console/settings_rows.h"

#include "core/settings.h"

#include <QStringList>

namespace kaltero::console {

using namespace core;

const QStringList& settingsRowLabels() {
    static const QStringList labels = {
        QStringLiteral("計測精度"),
        QStringLiteral("ラップ加算無通信秒数 (1～99)"),
        QStringLiteral("残り３周の自動メッセージ"),
        QStringLiteral("残り２周の自動メッセージ"),
        QStringLiteral("残り１周の自動メッセージ"),
        QStringLiteral("残りが無くなった時の自動メッセージ"),
        QStringLiteral("自動メッセージチェック時のデフォルト周数"),
        QStringLiteral("ピット判定秒数 (1～)"),
        QStringLiteral("最大スティント分数 (0 = 使用しない)"),
        QStringLiteral("最大運転分数 (0 = 使用しない)"),
        QStringLiteral("最小運転分数 (0 = 使用しない)"),
        QStringLiteral("最小ピット秒数 (0 = 使用しない)"),
        QStringLiteral("最少ピット回数 (0 = 使用しない)"),
        QStringLiteral("スティント上限前の自動メッセージ"),
        QStringLiteral("スティント上限前の自動メッセージ分数 (0 = 使用しない)"),
        QStringLiteral("ピット時間の扱い (0 = 運転時間に含めない、1 = ピットアウトしたドライバ、"
                       "2 = ドライバ交代の入力で分ける)"),
    };
    return labels;
}

QString settingsRowLabel(int row) {
    return settingsRowLabels().value(row - 1);
}

QString settingsRefusal(int row) {
    if (row == panel_row::kNoCommSeconds) {
        return QStringLiteral("無通信ラップ加算秒数が不正です。１から99までで指定してください。");
    }
    const QString name = settingsRowLabels().at(row - 1).section(u' ', 0, 0);
    if (row == panel_row::kPitStopSeconds) {
        return name + QStringLiteral("が不正です。１以上の整数で指定してください。");
    }
    if (row == panel_row::kPitTimeRule) {
        return name + QStringLiteral("が不正です。０、１、２のいずれかで指定してください。");
    }
    return name + QStringLiteral("が不正です。０以上の整数で指定してください（０ = 使用しない）。");
}

}  // namespace kaltero::console
