#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::platform {
class Timer;
}

namespace kaltero::console {

struct WindowContext;

// The splash "Mf_Open": fixes the file paths, reads the settings, and three seconds later
// hands over to the console window.
class Splash final : public QWidget {
    Q_OBJECT

public:
    Splash(WindowContext& console, QString programFolder, std::function<void()> openConsole);
    ~Splash() override;

    void onLoad();

private:
    void onSplashTimer();

    WindowContext& console_;
    QString programFolder_;
    std::function<void()> openConsole_;
    std::unique_ptr<platform::Timer> timer1_;
};

}  // namespace kaltero::console
