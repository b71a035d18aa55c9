#pragma once

namespace kaltero::console {

struct WindowContext;

// The settings panel "環境設定": shows the seven settings, checks them and saves them.
class SettingsPanel {
public:
    explicit SettingsPanel(WindowContext& console);

    // Seven rows with their labels and value cells (done once, when the window opens).
    void layOut();
    void openMessageSettings();
    void confirmMessageSettings();
    void cancelMessageSettings();

private:
    void close();

    WindowContext& c_;
};

}  // namespace kaltero::console
