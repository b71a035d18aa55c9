#pragma once

#include <QString>

namespace kaltero::console {

struct WindowContext;

// Driver changes, each car's driver table, and the panel that shows it for 30 seconds.
class DriverPanel {
public:
    explicit DriverPanel(WindowContext& console);

    void onDriverChosen(int slot);
    void toggleDriverTable(int slot);
    // Closes the panel: after 30 s, or when the operator turns to another field of the car.
    void onDriverTableTimeout(int slot);

    static constexpr int kOpenMs = 30'000;

private:
    // The driver table as the race holds it.
    void showDrivers(int slot);

    WindowContext& c_;
};

}  // namespace kaltero::console
