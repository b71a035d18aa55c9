#include "console/results_report_view.h"

#include "core/console_context.h"
#include "platform/choice_list.h"
#include "platform/frame.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "platform/whole_file.h"
#include "race/results_report.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

namespace {
constexpr int kLapTime = 1;
constexpr int kLapDriver = 2;
constexpr int kLapRemarks = 3;
constexpr int kLapLog = 5;
constexpr int kDriverName = 1;
constexpr int kDriverBest = 2;
constexpr int kDriverAverage = 3;
}  // namespace

ResultsReport::ResultsReport(core::Console& console) : c_(console) {
    QObject::connect(c_.ui.Btn_Write, &QPushButton::clicked, [this] { Btn_Write_Click(); });
}

void ResultsReport::Btn_Write_Click() {
    // Every report starts from an empty name: nothing carries over from the last one.
    const QString fileName = c_.prompts.saveFileName(
        QStringLiteral("ファイル書込"),
        QStringLiteral("テキストデータ (*.txt)|*.txt|全てのファイル (*.*)|*.*"), QString());
    if (fileName.isEmpty()) {
        return;
    }
    QString why;
    if (platform::writeWholeFile(fileName, race::reportBytes(collect()), &why)) {
        return;
    }
    // The results are still on screen: the operator can choose another place and try again.
    QString text = u"走行結果を保存できませんでした。\n" + QDir::toNativeSeparators(fileName);
    if (!why.isEmpty()) {
        text += u"\n(" + why + u')';
    }
    c_.prompts.message(text, QStringLiteral("ファイル書込"), platform::PromptIcon::Critical);
}

race::ReportInputs ResultsReport::collect() {
    auto& ui = c_.ui;
    race::ReportInputs in;
    in.eventName = ui.Txt_Event->text();
    in.date = ui.Txt_Date->text();
    in.weather = ui.Cmb_Tenki->currentText();
    in.temperature = ui.Txt_Kion->text();
    for (int s = 0; s < kSlotCount; ++s) {
        race::ReportSlot& slot = in.slots[s];
        slot.address = ui.Lbl_IP[s]->text();
        if (slot.address.isEmpty()) {
            continue;
        }
        slot.title = ui.Frm_Runner[s]->caption();
        // The car's name is column 0 of its entry; the selector stays there, the car choice
        // sets it again before each of its own reads.
        ui.Cmb_Car[s]->setColumn(0);
        slot.carName = ui.Cmb_Car[s]->columnText();
        const platform::Grid* laps = ui.Spd_Laps[s];
        for (int r = 1; r <= laps->rowCount(); ++r) {
            slot.laps.append({laps->cellText(kLapTime, r), laps->cellText(kLapDriver, r),
                              laps->cellText(kLapRemarks, r), laps->cellText(kLapLog, r)});
        }
        const platform::Grid* drivers = ui.Spd_DriverInfo[s];
        for (int r = 1; r <= drivers->rowCount(); ++r) {
            slot.drivers.append({drivers->cellText(kDriverName, r),
                                 drivers->cellText(kDriverBest, r),
                                 drivers->cellText(kDriverAverage, r)});
        }
    }
    return in;
}

}  // namespace kaltero::console
