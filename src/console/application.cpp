#include "console/application.h"

#include "console/main_window.h"
#include "console/splash.h"
#include "core/console_context.h"

namespace kaltero::console {

Application::Application(core::Console& console, engine::RaceEngine& engine, QString programFolder,
                         std::function<void()> quit)
    : console_(console),
      engine_(engine),
      quit_(std::move(quit)),
      notices_(console.prompts),
      session_(console, engine, notices_),
      splash_(std::make_unique<Splash>(
          console.clock, [this, folder = std::move(programFolder)] { session_.load(folder); },
          [this] { openConsole(); })) {}

Application::~Application() {
    // The window's handlers go before the journal and the live page that follow the race.
    window_.reset();
}

void Application::start() {
    splash_->onLoad();
    splash_->show();
}

void Application::openConsole() {
    if (!session_.open()) {
        quit_();
        return;
    }
    window_ = std::make_unique<MainWindow>(console_, engine_, [this] { end(); });
    if (console_.settings.LiveOn && session_.live() == nullptr) {
        window_->setLiveNotice(u"ポート " + QString::number(console_.settings.LivePort) +
                               u" を開けないため、ライブ表示は止まっています。");
    }
    window_->onLoad();
    window_->show();
    session_.offerResume();
    if (const standby::Follower* follower = session_.follower()) {
        // Publishing as itself begins with the take-over.
        window_->standBy(*follower, [this] {
            session_.takeOver();
            showRelay();
        });
    }
    showRelay();
}

void Application::showRelay() {
    if (session_.relay()) {
        window_->showRelay(*session_.relay());
    }
}

void Application::end() {
    session_.end();
    quit_();
}

}  // namespace kaltero::console
