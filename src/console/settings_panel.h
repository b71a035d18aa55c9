#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

using core::Console;

// The settings panel "環境設定": shows the seven settings, checks them and saves them.
class SettingsPanel {
public:
    explicit SettingsPanel(Console& console);

    // Seven rows with their labels and value cells (done once, when the window opens).
    void layOut();
    void openMessageSettings();
    void confirmMessageSettings();
    void cancelMessageSettings();

private:
    void close();

    Console& c_;
};

}  // namespace kaltero::console
