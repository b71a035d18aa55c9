#include "widgets/two_state_button.h"

#include <QSignalBlocker>

namespace kaltero::widgets {

TwoStateButton::TwoStateButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
}

void TwoStateButton::setState(bool on) {
    const QSignalBlocker quiet(this);
    setChecked(on);
}

}  // namespace kaltero::widgets
