#pragma once

namespace kaltero::console {

struct WindowContext;

// Driver changes, and each car's driver panel, open for 30 seconds.
class DriverPanel {
public:
    explicit DriverPanel(WindowContext& console);

    void onDriverChosen(int slot);
    void toggleDriverTable(int slot);
    // Closes the panel: after 30 s, or when the operator turns to another field of the car.
    void onDriverTableTimeout(int slot);

    static constexpr int kOpenMs = 30'000;

private:
    WindowContext& c_;
};

}  // namespace kaltero::console
