#include "console/pit_stop_dialog.h"

#include "platform/prompts.h"
#include "timing/pit_wall_text.h"
#include "timing/time_text.h"
#include "widgets/widget_build.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using namespace Qt::StringLiterals;

PitStopDialog::PitStopDialog(const QList<int>& slots, int slot, const core::PitStop& shown,
                             qint32 TicksPerSecond, platform::Prompts& prompts, Take take,
                             QWidget* parent)
    : QDialog(parent),
      ticksPerSecond_(TicksPerSecond),
      shown_(shown),
      shownSlot_(slot),
      prompts_(prompts),
      take_(std::move(take)) {
    setObjectName(u"Dlg_PitStop"_s);
    setWindowTitle(u"ピットストップ"_s);
    auto* form = new QFormLayout;
    car_ = widgets::named(new QComboBox(this), u"Cmb_PitStopCar"_s);
    for (int s : slots) {
        car_->addItem(core::carCaption(s), s);
    }
    car_->setCurrentIndex(std::max(0, int(slots.indexOf(slot))));
    lap_ = widgets::textBox(this, u"Txt_PitStopLap"_s, 60);
    start_ = widgets::textBox(this, u"Txt_PitStopStart"_s, 90);
    length_ = widgets::textBox(this, u"Txt_PitStopLength"_s, 60);
    lap_->setText(QString::number(shown.lap));
    const qint32 perSecond = std::max(TicksPerSecond, 1);
    start_->setText(timing::FormatHMS(shown.startTick / perSecond));
    length_->setText(QString::number(shown.length() / perSecond));
    form->addRow(u"車輌"_s, car_);
    form->addRow(u"周"_s, lap_);
    form->addRow(u"開始 (スタートから h:mm:ss)"_s, start_);
    form->addRow(u"時間 (秒)"_s, length_);
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* ok = widgets::button(u"登録"_s, this, u"Btn_PitStopOk"_s);
    auto* cancel = widgets::button(u"Cancel"_s, this, u"Btn_PitStopCancel"_s);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    col->addLayout(buttons);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { confirm(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PitStopDialog::confirm() {
    auto stop = timing::typedStop(lap_->text(), start_->text(), length_->text(), ticksPerSecond_);
    if (!stop || car_->currentIndex() < 0) {
        prompts_.message(u"周は１以上、開始は h:mm:ss、時間は秒の整数で入力してください。"_s, {},
                         platform::PromptIcon::None);
        return;
    }
    const int slot = car_->currentData().toInt();
    const qint32 perSecond = std::max(ticksPerSecond_, 1);
    const bool sameStart = stop->startTick == shown_.startTick / perSecond * perSecond;
    const bool sameLength = stop->length() == shown_.length() / perSecond * perSecond;
    if (slot == shownSlot_ && stop->lap == shown_.lap && sameStart && sameLength) {
        accept();
        return;
    }
    if (sameStart) {
        stop->startTick = shown_.startTick;
    }
    stop->endTick = stop->startTick + (sameLength ? shown_.length() : stop->length());
    if (const auto refusal = take_(slot, *stop)) {
        prompts_.message(*refusal, {}, platform::PromptIcon::None);
        return;
    }
    accept();
}

}  // namespace kaltero::console
