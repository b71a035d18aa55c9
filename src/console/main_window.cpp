#include "console/main_window.h"

#include "console/all_car_message.h"
#include "console/driver_table_view.h"
#include "console/event_data_view.h"
#include "console/handlers.h"
#include "console/live_dialog.h"
#include "console/pit_wall_window.h"
#include "console/race_clock.h"
#include "console/relay_view.h"
#include "console/standby_view.h"
#include "console/standings_view.h"
#include "console/stopwatch.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/udp_link.h"
#include "relay/relay_service.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/run_buttons.h"
#include "widgets/two_state_button.h"
#include "widgets/widget_build.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kaltero::console {

using core::kSlotCount;

using widgets::frame;

MainWindow::MainWindow(core::Console& console, engine::RaceEngine& engine,
                       std::function<void()> quit)
    : console_(console), engine_(engine), quit_(std::move(quit)) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("走行状況"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    buildCommon();
    layout->addWidget(frame_);
    auto* cars = new QHBoxLayout;
    cars->setSpacing(4);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        auto* car = new widgets::CarPanel(slot, console_.clock, this);
        car->Frm_DriverLap->layout()->addWidget(
            new DriverTableView(console_, slot, car->Frm_DriverLap));
        cars_[slot] = car;
        cars->addWidget(car, 1);
    }
    layout->addLayout(cars, 1);

    handlers_ = std::make_unique<Handlers>(console_, engine_, this, cars_, *buttons_,
                                           eventData_->courseList());
    connect(buttons_->Btn_End, &QPushButton::clicked, this, [this] { endConsole(); });
    connect(buttons_->Btn_Live, &QPushButton::clicked, this, [this] { openLivePage(); });
    connect(buttons_->Btn_PitWall, &QPushButton::clicked, this, [this] { openPitWall(); });
    resize(1880, 1000);
}

MainWindow::~MainWindow() {
    // The handlers go before the widgets. Disabling the window makes a focused field leave the
    // focus now, while its handler still answers, and keeps any field from taking it again.
    setEnabled(false);
}

void MainWindow::buildCommon() {
    frame_ = frame({}, this, QStringLiteral("Frm_Main"));
    auto* row = new QHBoxLayout(frame_);
    row->setContentsMargins(4, 4, 4, 4);
    eventData_ = std::make_unique<EventDataView>(console_, frame_);
    row->addLayout(eventData_->layout());
    raceClock_ = std::make_unique<RaceClock>(console_, engine_, frame_);
    row->addWidget(raceClock_->frame());
    row->addWidget(buildStandings(), 1);
    stopwatch_ = std::make_unique<Stopwatch>(console_, frame_);
    allCars_ = std::make_unique<AllCarMessage>(console_, frame_);
    auto* side = new QVBoxLayout;
    side->addWidget(stopwatch_->frame());
    side->addWidget(allCars_->hostFrame());
    side->addWidget(allCars_->messageFrame());
    row->addLayout(side, 1);
    buttons_ = std::make_unique<widgets::RunButtons>(frame_);
    row->addLayout(buttons_->layout);
}

QWidget* MainWindow::buildStandings() {
    auto* standings =
        frame(QStringLiteral("走行車輌状況"), frame_, QStringLiteral("Frm_Standings"));
    (new QVBoxLayout(standings))->addWidget(new StandingsView(console_, standings));
    return standings;
}

void MainWindow::onLoad() {
    // Centred on the screen, and never larger than it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(width(), area.width()), std::min(height(), area.height()));
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    handlers_->onLoad();
    eventData_->onLoad();
    allCars_->onLoad();
}

void MainWindow::setLiveNotice(const QString& notice) {
    liveNotice_ = notice;
}

void MainWindow::standBy(const standby::Follower& follower, std::function<void()> takeOver) {
    standby_ = std::make_unique<StandbyView>(
        console_, follower,
        [this, takeOver = std::move(takeOver)] {
            standingBy_ = false;
            standby_->frame()->hide();
            allowInput(true);
            takeOver();
        },
        this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, standby_->frame());
    standingBy_ = true;
    allowInput(false);
    // The run control sets the controls as each operation of the race followed arrives.
    connect(&console_.race, &model::RaceModel::changed, this, [this] {
        if (standingBy_) {
            allowInput(false);
        }
    });
}

void MainWindow::allowInput(bool allowed) {
    for (widgets::CarPanel* car : cars_) {
        car->setEnabled(allowed);
    }
    const auto& b = *buttons_;
    for (QWidget* w : std::initializer_list<QWidget*>{
             b.Btn_Start, b.Btn_Write, b.Btn_Car, b.Btn_Cource, b.Btn_Drivers, b.Btn_Mess,
             b.Btn_PitWall, stopwatch_->frame(), allCars_->messageFrame()}) {
        w->setEnabled(allowed);
    }
    QLayout* header = eventData_->layout();
    for (int i = 0; i < header->count(); ++i) {
        if (QWidget* w = header->itemAt(i)->widget()) {
            w->setEnabled(allowed);
        }
    }
    // Nothing of this console's own is lost by ending while standing by.
    b.Btn_End->setEnabled(allowed || standingBy_);
}

void MainWindow::showRelay(relay::RelayService& relay) {
    frame_->layout()->addWidget(relayLabel(relay, frame_));
    if (const auto& t = relay.topics()) {
        relayTopics_ = {t->status, t->race, t->ops, t->lapsPrefix + u"<車番>",
                        t->heardPrefix + u"<車番>"};
    }
}

const platform::Timer& MainWindow::missingInputBlinkTimer() const {
    return handlers_->missingInputBlinkTimer();
}

void MainWindow::openLivePage() {
    // One dialog at a time; a second press brings it forward.
    if (liveDialog_) {
        liveDialog_->raise();
        liveDialog_->activateWindow();
        return;
    }
    const auto& settings = console_.settings;
    const QString notice = settings.LiveOn
                               ? liveNotice_
                               : QStringLiteral("ライブ表示は環境設定で無効になっています。");
    liveDialog_ = new LiveDialog(
        livePageAddresses(QNetworkInterface::allAddresses(), settings.LivePort, settings.LiveKey),
        notice, relayTopics_, this);
    liveDialog_->setAttribute(Qt::WA_DeleteOnClose);
    liveDialog_->show();
}

void MainWindow::openPitWall() {
    if (pitWall_) {
        pitWall_->raise();
        pitWall_->activateWindow();
        return;
    }
    pitWall_ = new PitWallWindow(console_, engine_, this);
    pitWall_->setAttribute(Qt::WA_DeleteOnClose);
    pitWall_->show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Form_QueryUnload: the console is left only through End, never by the close box.
    event->ignore();
}

void MainWindow::endConsole() {
    if (!console_.prompts.askYesNo(QStringLiteral("終了します。よろしいですか？"),
                                   QStringLiteral("終了確認"), platform::PromptIcon::Information)) {
        return;
    }
    console_.tick.stop();
    quit_();
}

}  // namespace kaltero::console
