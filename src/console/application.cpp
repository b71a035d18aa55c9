#include "console/application.h"

#include "console/main_window.h"
#include "console/splash.h"

namespace kaltero::console {

Application::Application(core::Console& console, QString programFolder, std::function<void()> quit)
    : console_(console),
      quit_(std::move(quit)),
      splash_(
          std::make_unique<Splash>(console, std::move(programFolder), [this] { openConsole(); })) {}

Application::~Application() = default;

void Application::start() {
    splash_->Form_Load();
    splash_->show();
}

void Application::openConsole() {
    window_ = std::make_unique<MainWindow>(console_, quit_);
    window_->Form_Load();
    window_->show();
}

}  // namespace kaltero::console
