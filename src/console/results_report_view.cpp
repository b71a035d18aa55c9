#include "console/results_report_view.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "race/report_inputs.h"
#include "widgets/choice_list.h"
#include "widgets/controls.h"
#include "widgets/frame.h"
#include "widgets/grid.h"
#include "widgets/widget_build.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

ResultsReport::ResultsReport(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    QObject::connect(ui.Btn_Write, &QPushButton::clicked, [this] { saveResults(); });
    const auto edited = [this] {
        const auto& ui = ui_;
        c_.race.editEventData({ui.Txt_Event->text(), ui.Txt_Date->text(),
                               ui.Cmb_Tenki->currentText(), ui.Txt_Kion->text()});
    };
    for (QLineEdit* box : {ui.Txt_Event, ui.Txt_Date, ui.Txt_Kion}) {
        QObject::connect(box, &QLineEdit::textChanged, edited);
    }
    QObject::connect(ui.Cmb_Tenki, &QComboBox::currentTextChanged, edited);
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::EventDataEdited || change.op == model::Op::Started) {
            showEventData();
        }
    });
}

void ResultsReport::showEventData() {
    auto& ui = ui_;
    const core::EventData& event = c_.state.event;
    widgets::showText(ui.Txt_Event, event.name);
    widgets::showText(ui.Txt_Date, event.date);
    widgets::showEntry(ui.Cmb_Tenki, event.weather);
    widgets::showText(ui.Txt_Kion, event.temperature);
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
