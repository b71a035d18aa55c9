#include "race/pit_messages.h"

#include "core/console_context.h"
#include "link/protocol.h"
#include "platform/clock.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::race {

using core::kSlotCount;

namespace {
const QColor kPink(0xFF, 0x80, 0xFF);
const QColor kLightYellow(0xFF, 0xFF, 0xC0);
}  // namespace

PitMessages::PitMessages(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    QObject::connect(ui.Txt_AllOutMess, &QLineEdit::textChanged,
                     [this] { Txt_AllOutMess_Change(); });
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Time_MessBlk[s]->setInterval(kBlinkMs);
        ui.Time_MessBlk[s]->onTimeout([this, s] { Time_MessBlk_Timer(s); });
        QPalette pal = ui.Lbl_InMess[s]->palette();
        pal.setColor(QPalette::Window, kLightYellow);
        ui.Lbl_InMess[s]->setPalette(pal);
    }
}

void PitMessages::Txt_AllOutMess_Change() {
    c_.state.AllCarMsg = link::buildAllCarMsg(c_.ui.Txt_AllOutMess->text());
}

void PitMessages::Time_MessBlk_Timer(int s) {
    QLabel* label = c_.ui.Lbl_InMess[s];
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Window) == kPink ? kLightYellow : kPink);
    label->setPalette(pal);
}

}  // namespace kaltero::race
