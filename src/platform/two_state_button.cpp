#include "two_state_button.h"

#include <QSignalBlocker>

namespace kaltero::platform {

TwoStateButton::TwoStateButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
}

void TwoStateButton::setState(bool on) {
    const QSignalBlocker quiet(this);
    setChecked(on);
}

}  // namespace kaltero::platform
