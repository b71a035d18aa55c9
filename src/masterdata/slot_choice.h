#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::masterdata {

// The car chosen for a slot and the course chosen for the console: they give the fuel model
// its tank capacity, economy and lap length.
class SlotChoice {
public:
    explicit SlotChoice(core::Console& console);

    // Copies the car's tank capacity and economy into the slot and ends the list's blink.
    void onCarChosen(int slot);
    // CourseLength from the chosen course, 0 with none; ends the list's blink.
    void onCourseLeft();

private:
    core::Console& c_;
};

}  // namespace kaltero::masterdata
