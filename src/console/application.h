#pragma once

#include "engine/session.h"
#include "wording/prompted_operator.h"

#include <QString>
#include <functional>
#include <memory>

namespace kaltero::journal {
class Journal;
}

namespace kaltero::live {
class LiveService;
}  // namespace kaltero::live

namespace kaltero::console {

class MainWindow;
class Splash;

// The program from the splash to the console window, on the console's session.
class Application {
public:
    Application(core::Console& console, engine::RaceEngine& engine, QString programFolder,
                std::function<void()> quit);
    ~Application();

    // Shows the splash and reads the settings; the window follows three seconds later.
    void start();
    // The console window, once the splash has handed over.
    MainWindow* window() const { return window_.get(); }
    Splash* splash() const { return splash_.get(); }
    journal::Journal* journal() const { return session_.journal(); }
    // The live timing server while it serves; none when switched off or its port was taken.
    live::LiveService* liveService() const { return session_.live(); }
    // The console followed while standing by; none when this console times its own race.
    standby::Follower* follower() const { return session_.follower(); }

private:
    void openConsole();
    // Publishing's state on the window, once this console publishes.
    void showRelay();
    // End: the program ends once the journal holds the race, or the operator ends anyway.
    void end();

    core::Console& console_;
    engine::RaceEngine& engine_;
    std::function<void()> quit_;
    // The engine's notices in the console's words, in the window's dialogs.
    wording::PromptedOperator notices_;
    engine::Session session_;
    std::unique_ptr<Splash> splash_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace kaltero::console
