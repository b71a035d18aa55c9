#pragma once

namespace kaltero::console {

struct WindowContext;

// The operator's message to all cars and the blinking of the cars' incoming messages.
class PitMessages {
public:
    explicit PitMessages(WindowContext& console);

    void onAllCarMessageTyped();
    // A report was taken: the car's message as the race holds it, blinking while there is one.
    void showCarMessage(int slot);
    void onMessageBlink(int slot);

    static constexpr int kBlinkMs = 500;

private:
    // A car no longer timed: its message stands still on the set-up colour.
    void stopBlink(int slot);

    WindowContext& c_;
};

}  // namespace kaltero::console
