#pragma once

#include <QObject>

class QWidget;

namespace kaltero::core {
struct Console;
}

namespace kaltero::widgets {
class EditorDialog;
}

namespace kaltero::console {

// The settings panel "環境設定": shows the settings and the endurance rules, checks them, saves
// them and puts the rules in force.
class SettingsPanel final : public QObject {
    Q_OBJECT

public:
    // The panel opens over `window`.
    SettingsPanel(core::Console& console, QWidget* window);

    void openMessageSettings();
    void confirmMessageSettings();

Q_SIGNALS:
    // The settings were saved and are in force (the lap time units among them).
    void saved();

private:
    void layOut();

    core::Console& c_;
    widgets::EditorDialog* dialog_;
};

}  // namespace kaltero::console
