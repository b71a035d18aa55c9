#pragma once

namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

struct WindowContext;

// The car chosen for a slot and the course chosen for the console: they give the fuel model
// its tank capacity, economy and lap length.
class SlotChoice {
public:
    explicit SlotChoice(WindowContext& console);

    // Copies the car's tank capacity and economy into the slot and ends the list's blink.
    void onCarChosen(int slot);
    // CourseLength from the chosen course, 0 with none; ends the list's blink.
    void onCourseLeft();

private:
    // The lists show what the race chose; the tank caption follows the car.
    void show(const model::Change& change);

    WindowContext& c_;
};

}  // namespace kaltero::console
