#include "core/controls.h"

#include "platform/clock.h"
#include "platform/frame.h"
#include "platform/two_state_button.h"

namespace kaltero::core {

Controls::Controls() = default;
Controls::~Controls() = default;

void closeDriverPanel(Controls& ui, int s) {
    ui.Time_DriverInfo[s]->stop();
    ui.Frm_DriverLap[s]->hide();
    ui.Btn_DriverInfo[s]->setState(false);
}

}  // namespace kaltero::core
