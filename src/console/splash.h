#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::platform {
class Clock;
class Timer;
}  // namespace kaltero::platform

namespace kaltero::console {

// The splash "Mf_Open": has the settings read (`load`), and three seconds later hands over to
// the console window.
class Splash final : public QWidget {
    Q_OBJECT

public:
    Splash(platform::Clock& clock, std::function<void()> load, std::function<void()> openConsole);
    ~Splash() override;

    void onLoad();

private:
    void onSplashTimer();

    std::function<void()> load_;
    std::function<void()> openConsole_;
    std::unique_ptr<platform::Timer> timer1_;
};

}  // namespace kaltero::console
