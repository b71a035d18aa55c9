#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// The same on every field, so the operator can type over a value and go on with Enter:
// the whole text is selected on entry and on mouse release, Enter moves on as Tab does, and
// entering a field of a car first closes that car's driver panel.
void applyInputConventions(core::Console& console);

// Every second while idle: the course list, and the driver and car lists of set-up slots,
// blink olive while nothing is chosen in them.
class NoInputBlink {
public:
    explicit NoInputBlink(core::Console& console);
    void onMissingInputBlink();

private:
    core::Console& c_;
};

}  // namespace kaltero::console
