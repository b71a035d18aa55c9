#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::race {

// The operator's message to all cars and the blinking of the cars' incoming messages.
class PitMessages {
public:
    explicit PitMessages(core::Console& console);

    void onAllCarMessageTyped();
    void onMessageBlink(int slot);

    static constexpr int kBlinkMs = 500;

private:
    core::Console& c_;
};

}  // namespace kaltero::race
