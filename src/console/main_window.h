#pragma once

#include "widgets/car_panel.h"

#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}
namespace kaltero::platform {
class Timer;
}
namespace kaltero::standby {
class Follower;
}
namespace kaltero::relay {
class RelayService;
}

namespace kaltero::widgets {
class Frame;
struct RunButtons;
}  // namespace kaltero::widgets

namespace kaltero::console {

class AllCarMessage;
class EventDataView;
class Handlers;
class RaceClock;
class Stopwatch;
class LiveDialog;
class PitWallWindow;
class StandbyView;

// The console window "走行状況": builds every control under its name, connects the
// controls to the handlers and refuses to close. It holds no rules.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    // quit ends the program; the application passes QCoreApplication::quit.
    MainWindow(core::Console& console, engine::RaceEngine& engine, std::function<void()> quit);
    ~MainWindow() override;

    // Window load: master data, captions, grids, own address, address-check socket.
    void onLoad();
    // Why the live page is not served although switched on (its port is taken); shown in the
    // ライブ表示 dialog.
    void setLiveNotice(const QString& notice);
    // This console stands by for another: the race it follows is shown read-only under the
    // standby's frame, until 引き継ぎ hands the timing over (takeOver) and lifts it.
    void standBy(const standby::Follower& follower, std::function<void()> takeOver);
    // Publishing to the broker: its state on the window, its topics in the ライブ表示 dialog.
    void showRelay(relay::RelayService& relay);
    // The missing-input blink's timer: running while idle, stopped while timing.
    const platform::Timer& missingInputBlinkTimer() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCommon();
    QWidget* buildStandings();
    void endConsole();
    void openLivePage();
    // The pit-wall window: one per console, brought forward when already open.
    void openPitWall();
    // While standing by the operator changes nothing of the race followed, but can end.
    void allowInput(bool allowed);

    core::Console& console_;
    engine::RaceEngine& engine_;
    widgets::Frame* frame_ = nullptr;  // "Frm_Main": the header, standings and buttons
    widgets::PerCar<widgets::CarPanel*> cars_{};
    std::unique_ptr<widgets::RunButtons> buttons_;
    std::function<void()> quit_;
    std::unique_ptr<EventDataView> eventData_;
    std::unique_ptr<RaceClock> raceClock_;
    std::unique_ptr<Stopwatch> stopwatch_;
    std::unique_ptr<AllCarMessage> allCars_;
    std::unique_ptr<Handlers> handlers_;
    QString liveNotice_;
    QStringList relayTopics_;
    QPointer<LiveDialog> liveDialog_;
    QPointer<PitWallWindow> pitWall_;
    std::unique_ptr<StandbyView> standby_;
    bool standingBy_ = false;
};

}  // namespace kaltero::console
