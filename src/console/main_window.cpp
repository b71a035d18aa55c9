#include "console/main_window.h"

#include "console/all_car_message.h"
#include "console/driver_table_view.h"
#include "console/event_data_view.h"
#include "console/handlers.h"
#include "console/live_dialog.h"
#include "console/pit_wall_window.h"
#include "console/race_clock.h"
#include "console/standings_view.h"
#include "console/stopwatch.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/udp_link.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
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

using widgets::button;
using widgets::frame;
using widgets::label;
using widgets::named;
using widgets::setBigFont;
using widgets::textBox;

MainWindow::MainWindow(core::Console& console, engine::RaceEngine& engine,
                       std::function<void()> quit)
    : console_(console), engine_(engine), quit_(std::move(quit)) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("走行状況"));
    ui_.Main = this;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    buildCommon();
    layout->addWidget(ui_.Frm_Main);
    auto* cars = new QHBoxLayout;
    cars->setSpacing(4);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        auto* car = new widgets::CarPanel(slot, console_.clock, this);
        car->Frm_DriverLap->layout()->addWidget(
            new DriverTableView(console_, slot, car->Frm_DriverLap));
        ui_.Car[slot] = car;
        cars->addWidget(car, 1);
    }
    layout->addLayout(cars, 1);

    auto& ui = ui_;

    handlers_ = std::make_unique<Handlers>(console_, engine_, ui_);
    connect(ui.Btn_End, &QPushButton::clicked, this, [this] { endConsole(); });
    connect(ui.Btn_Live, &QPushButton::clicked, this, [this] { openLivePage(); });
    connect(ui.Btn_PitWall, &QPushButton::clicked, this, [this] { openPitWall(); });
    resize(1880, 1000);
}

MainWindow::~MainWindow() {
    // The handlers go before the widgets. Disabling the window makes a focused field leave the
    // focus now, while its handler still answers, and keeps any field from taking it again.
    setEnabled(false);
}

void MainWindow::buildCommon() {
    auto& ui = ui_;
    ui.Frm_Main = frame({}, this, QStringLiteral("Frm_Main"));
    auto* row = new QHBoxLayout(ui.Frm_Main);
    row->setContentsMargins(4, 4, 4, 4);
    eventData_ = std::make_unique<EventDataView>(console_, ui.Frm_Main);
    ui.Cmb_Course = eventData_->courseList();
    row->addLayout(eventData_->layout());
    raceClock_ = std::make_unique<RaceClock>(console_, engine_, ui.Frm_Main);
    row->addWidget(raceClock_->frame());
    row->addWidget(buildStandings(), 1);
    stopwatch_ = std::make_unique<Stopwatch>(console_, ui.Frm_Main);
    allCars_ = std::make_unique<AllCarMessage>(console_, ui.Frm_Main);
    auto* side = new QVBoxLayout;
    side->addWidget(stopwatch_->frame());
    side->addWidget(allCars_->hostFrame());
    side->addWidget(allCars_->messageFrame());
    row->addLayout(side, 1);
    row->addLayout(buildButtons());
}

QWidget* MainWindow::buildStandings() {
    auto& ui = ui_;
    // Standings board
    auto* standings =
        frame(QStringLiteral("走行車輌状況"), ui.Frm_Main, QStringLiteral("Frm_Standings"));
    (new QVBoxLayout(standings))->addWidget(new StandingsView(console_, standings));
    return standings;
}

QLayout* MainWindow::buildButtons() {
    auto& ui = ui_;
    auto* buttons = new QGridLayout;
    ui.Btn_Start = button(QStringLiteral("Start"), ui.Frm_Main, QStringLiteral("Btn_Start"));
    setBigFont(ui.Btn_Start, 16);
    ui.Btn_Start->setMinimumHeight(60);
    // The line break puts "保存" under "走行結果".
    ui.Btn_Write =
        button(QStringLiteral("走行結果\n保存"), ui.Frm_Main, QStringLiteral("Btn_Write"));
    ui.Btn_End = button(QStringLiteral("End"), ui.Frm_Main, QStringLiteral("Btn_End"));
    ui.Btn_Drivers =
        button(QStringLiteral("ドライバ編集"), ui.Frm_Main, QStringLiteral("Btn_Drivers"));
    ui.Btn_Cource =
        button(QStringLiteral("コース名編集"), ui.Frm_Main, QStringLiteral("Btn_Cource"));
    ui.Btn_Car = button(QStringLiteral("車輌情報編集"), ui.Frm_Main, QStringLiteral("Btn_Car"));
    ui.Btn_Mess = button(QStringLiteral("環境設定"), ui.Frm_Main, QStringLiteral("Btn_Mess"));
    ui.Btn_Live = button(QStringLiteral("ライブ表示"), ui.Frm_Main, QStringLiteral("Btn_Live"));
    buttons->addWidget(ui.Btn_Start, 0, 0, 2, 1);
    buttons->addWidget(ui.Btn_Write, 0, 1);
    buttons->addWidget(ui.Btn_End, 1, 1);
    buttons->addWidget(ui.Btn_Car, 2, 0);
    buttons->addWidget(ui.Btn_Cource, 2, 1);
    buttons->addWidget(ui.Btn_Drivers, 3, 0);
    buttons->addWidget(ui.Btn_Mess, 3, 1);
    ui.Btn_PitWall =
        button(QStringLiteral("ピットウォール"), ui.Frm_Main, QStringLiteral("Btn_PitWall"));
    buttons->addWidget(ui.Btn_Live, 4, 0);
    buttons->addWidget(ui.Btn_PitWall, 4, 1);
    return buttons;
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
        notice, this);
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
