#include "race/pit_messages.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "link/protocol.h"
#include "platform/clock.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::race {

using core::kSlotCount;

PitMessages::PitMessages(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    QObject::connect(ui.Txt_AllOutMess, &QLineEdit::textChanged,
                     [this] { Txt_AllOutMess_Change(); });
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Time_MessBlk[s]->setInterval(kBlinkMs);
        ui.Time_MessBlk[s]->onTimeout([this, s] { Time_MessBlk_Timer(s); });
        core::setBackground(ui.Lbl_InMess[s], core::kSetUpColour);
    }
}

void PitMessages::Txt_AllOutMess_Change() {
    c_.state.AllCarMsg = link::buildAllCarMsg(c_.ui.Txt_AllOutMess->text());
}

void PitMessages::Time_MessBlk_Timer(int s) {
    QLabel* label = c_.ui.Lbl_InMess[s];
    core::setBackground(label, core::background(label) == core::kMessageColour
                                   ? core::kSetUpColour
                                   : core::kMessageColour);
}

}  // namespace kaltero::race
