#pragma once

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::platform {
class Timer;
}
namespace kaltero::standby {
class Follower;
}

namespace kaltero::console {

// The frame 待機 of a standby console: the console it follows and that console's state, the
// broker, how far the race followed has come and how long ago its last lap was driven, and
// 引き継ぎ, which asks first and then hands the timing to this console.
class StandbyView {
public:
    StandbyView(core::Console& console, const standby::Follower& follower,
                std::function<void()> takeOver, QWidget* parent);
    ~StandbyView();

    QWidget* frame() const { return frame_; }

private:
    void build(QWidget* parent);
    void show();
    void onTakeOver();

    core::Console& c_;
    const standby::Follower& follower_;
    std::function<void()> takeOver_;
    QWidget* frame_ = nullptr;
    QLabel* Lbl_Standby = nullptr;
    QLabel* Lbl_StandbyRace = nullptr;
    QLabel* Lbl_StandbyLag = nullptr;
    QPushButton* Btn_TakeOver = nullptr;
    // The lag grows while nothing arrives: shown again every second.
    std::unique_ptr<platform::Timer> Time_Standby;
};

}  // namespace kaltero::console
