#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

class Handlers;

// The console window "走行状況": builds every control under its name, connects the
// controls to the handlers and refuses to close. It holds no rules.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    // quit ends the program; the application passes QCoreApplication::quit.
    MainWindow(core::Console& console, std::function<void()> quit);
    ~MainWindow() override;

    // Window load: master data, captions, grids, own address, address-check socket.
    void Form_Load();
    // The race rebuilt from the journal goes on being timed.
    void resumeRace();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCommon();
    void buildSettingsPanel();
    void buildEditorPanels();
    void Btn_End_Click();

    core::Console& console_;
    std::function<void()> quit_;
    std::unique_ptr<Handlers> handlers_;
};

}  // namespace kaltero::console
