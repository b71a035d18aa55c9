#pragma once

#include <QString>

namespace kaltero::console {

struct WindowContext;

// The settings panel "環境設定": shows the settings and the endurance rules, checks them, saves
// them and puts the rules in force.
class SettingsPanel {
public:
    explicit SettingsPanel(WindowContext& console);

    // The rows with their labels and value cells (done once, when the window opens).
    void layOut();
    void openMessageSettings();
    void confirmMessageSettings();
    void cancelMessageSettings();

private:
    void close();

    WindowContext& c_;
};

}  // namespace kaltero::console
