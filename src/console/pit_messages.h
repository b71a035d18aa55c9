#pragma once

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The operator's message to all cars and the blinking of the cars' incoming messages.
class PitMessages {
public:
    PitMessages(core::Console& console, widgets::Controls& ui);

    void onAllCarMessageTyped();
    // A report was taken: the car's message as the race holds it, blinking while there is one.
    void showCarMessage(int slot);
    void onMessageBlink(int slot);

    static constexpr int kBlinkMs = 500;

private:
    // A car no longer timed: its message stands still on the set-up colour.
    void stopBlink(int slot);

    core::Console& c_;
    widgets::Controls& ui_;
};

}  // namespace kaltero::console
