#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLockFile;

namespace kaltero::journal {
class Journal;
}

namespace kaltero::live {
class RaceFeed;
class LiveServer;
}  // namespace kaltero::live

namespace kaltero::console {

struct WindowContext;

class MainWindow;
class Splash;

// The program from the splash to the console window.
class Application {
public:
    Application(WindowContext& console, QString programFolder, std::function<void()> quit);
    ~Application();

    // Shows the splash and reads the settings; the window follows three seconds later.
    void start();
    // The console window, once the splash has handed over.
    MainWindow* window() const { return window_.get(); }
    Splash* splash() const { return splash_.get(); }
    journal::Journal* journal() const { return journal_.get(); }
    // The live timing server while it serves; none when switched off or its port was taken.
    live::LiveServer* liveServer() const { return live_.get(); }

private:
    void openConsole();
    enum class Claim { Claimed, AnotherConsole, NotWritable };
    // One console per folder: a second one would share the journal and the car ports.
    Claim claimFolder();
    // End: the program ends once the journal holds the race, or the operator ends anyway.
    void end();
    void openJournal();
    // The live page, when the settings switch it on; a port that cannot be bound is told once.
    void startLive();
    // A race that was started and never stopped is offered to go on.
    void offerResume();

    WindowContext& console_;
    std::function<void()> quit_;
    std::unique_ptr<Splash> splash_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<journal::Journal> journal_;
    std::unique_ptr<live::RaceFeed> feed_;
    std::unique_ptr<live::LiveServer> live_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace kaltero::console
