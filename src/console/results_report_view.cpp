#include "console/results_report_view.h"

#include "console/window_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "platform/whole_file.h"
#include "race/csv_report.h"
#include "race/report_inputs.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/grid.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

ResultsReport::ResultsReport(WindowContext& console) : c_(console) {
    auto& ui = c_.ui;
    QObject::connect(ui.Btn_Write, &QPushButton::clicked, [this] { saveResults(); });
    const auto edited = [this] {
        const auto& ui = c_.ui;
        c_.race.editEventData({ui.Txt_Event->text(), ui.Txt_Date->text(),
                               ui.Cmb_Tenki->currentText(), ui.Txt_Kion->text()});
    };
    for (QLineEdit* box : {ui.Txt_Event, ui.Txt_Date, ui.Txt_Kion}) {
        QObject::connect(box, &QLineEdit::textChanged, edited);
    }
    QObject::connect(ui.Cmb_Tenki, &QComboBox::currentTextChanged, edited);
}

void ResultsReport::saveResults() {
    // Every report starts from an empty name: nothing carries over from the last one.
    const QString fileName = c_.prompts.saveFileName(
        QStringLiteral("ファイル書込"),
        QStringLiteral("テキストデータ (*.txt)|*.txt|CSV (*.csv)|*.csv|全てのファイル (*.*)|*.*"),
        QString());
    if (fileName.isEmpty()) {
        return;
    }
    // A name ending in .csv gets the laps for a spreadsheet; any other the text report.
    const bool csv = QFileInfo(fileName).suffix().compare(u"csv", Qt::CaseInsensitive) == 0;
    const QByteArray bytes = csv ? race::csvBytes(c_.state, c_.settings)
                                 : race::reportBytes(race::reportInputs(c_.state, c_.settings));
    QString why;
    if (platform::writeWholeFile(fileName, bytes, &why)) {
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
