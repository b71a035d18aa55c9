#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::platform {
class Timer;
}

namespace kaltero::console {

struct WindowContext;

// The splash "Mf_Open": has the settings read (`load`), and three seconds later hands over to
// the console window.
class Splash final : public QWidget {
    Q_OBJECT

public:
    Splash(WindowContext& console, std::function<void()> load, std::function<void()> openConsole);
    ~Splash() override;

    void onLoad();

private:
    void onSplashTimer();

    WindowContext& console_;
    std::function<void()> load_;
    std::function<void()> openConsole_;
    std::unique_ptr<platform::Timer> timer1_;
};

}  // namespace kaltero::console
