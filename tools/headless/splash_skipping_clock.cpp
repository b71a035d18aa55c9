#include "splash_skipping_clock.h"

namespace kaltero::headless {

namespace {

// A system timer whose every interval is 0: it fires on the next pass of the event loop.
class ImmediateTimer final : public platform::Timer {
public:
    explicit ImmediateTimer(std::unique_ptr<platform::Timer> inner) : inner_(std::move(inner)) {
        inner_->setInterval(0);
        inner_->onTimeout([this] { fire(); });
    }
    void setInterval(int ms) override { asked_ = ms; }
    int interval() const override { return asked_; }
    void start() override { inner_->start(); }
    void stop() override { inner_->stop(); }
    bool isActive() const override { return inner_->isActive(); }

private:
    std::unique_ptr<platform::Timer> inner_;
    int asked_ = 0;
};

}  // namespace

std::unique_ptr<platform::Timer> SplashSkippingClock::makeTimer() {
    auto timer = system_.makeTimer();
    if (skipping_) {
        return std::make_unique<ImmediateTimer>(std::move(timer));
    }
    return timer;
}

}  // namespace kaltero::headless
