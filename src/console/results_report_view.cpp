#include "console/results_report_view.h"

#include "core/console_context.h"
#include "platform/prompts.h"
#include "race/report_inputs.h"

#include <QDir>

namespace kaltero::console {

ResultsReport::ResultsReport(core::Console& console) : c_(console) {}

void ResultsReport::saveResults() {
    // Every report starts from an empty name: nothing carries over from the last one.
    const QString fileName = c_.prompts.saveFileName(
        QStringLiteral("ファイル書込"),
        QStringLiteral("テキストデータ (*.txt)|*.txt|CSV (*.csv)|*.csv|全てのファイル (*.*)|*.*"),
        QString());
    if (fileName.isEmpty()) {
        return;
    }
    QString why;
    if (race::writeResults(c_.state, c_.settings, fileName, &why)) {
        return;
    }
    // The results are still on screen: the operator can choose another place and try again.
    QString text = u"走行結果を保存できませんでした。\n" + QDir::toNativeSeparators(fileName);
    if (!why.isEmpty()) {
        text += u"\n(" + why + u')';
    }
    c_.prompts.message(text, QStringLiteral("ファイル書込"), platform::PromptIcon::Critical);
}

}  // namespace kaltero::console
