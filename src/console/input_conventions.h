#pragma once

class QLineEdit;
class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The same on every field, so the operator can type over a value and go on with Enter:
// the whole text is selected on entry and on mouse release, Enter moves on as Tab does, and
// entering a field of a car first closes that car's driver panel.
void moveOnWithEnter(QWidget* field);
void typeOverAndMoveOn(QLineEdit* box);
// The conventions on the fields of every car.
void applyInputConventions(widgets::Controls& ui);

// The colour of the choice lists: every second while idle the course list, and the driver and
// car lists of set-up slots, blink olive while nothing is chosen in them; a list chosen from or
// left stands on white.
class NoInputBlink {
public:
    NoInputBlink(core::Console& console, widgets::Controls& ui);
    // From the window's load until Start; again after Stop.
    void start();
    void onMissingInputBlink();

private:
    void stop();

    core::Console& c_;
    widgets::Controls& ui_;
};

}  // namespace kaltero::console
