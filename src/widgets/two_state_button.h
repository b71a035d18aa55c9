#pragma once

#include <QPushButton>

namespace kaltero::widgets {

// A push button with two states: each press by the operator flips the state and then raises
// clicked(bool state); code sets it back with setState() without raising anything.
class TwoStateButton : public QPushButton {
    Q_OBJECT

public:
    explicit TwoStateButton(QWidget* parent = nullptr);

    bool state() const { return isChecked(); }
    void setState(bool on);
};

}  // namespace kaltero::widgets
