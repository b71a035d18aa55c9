#pragma once

#include <QString>

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The settings panel "環境設定": shows the settings and the endurance rules, checks them, saves
// them and puts the rules in force.
class SettingsPanel {
public:
    SettingsPanel(core::Console& console, widgets::Controls& ui);

    // The rows with their labels and value cells (done once, when the window opens).
    void layOut();
    void openMessageSettings();
    void confirmMessageSettings();
    void cancelMessageSettings();

private:
    void close();

    core::Console& c_;
    widgets::Controls& ui_;
};

}  // namespace kaltero::console
