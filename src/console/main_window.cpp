#include "console/main_window.h"

#include "console/handlers.h"
#include "console/live_dialog.h"
#include "console/pit_wall_window.h"
#include "console/window_context.h"
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
using widgets::indexed;
using widgets::label;
using widgets::named;
using widgets::setBigFont;
using widgets::textBox;

MainWindow::MainWindow(WindowContext& console, std::function<void()> quit)
    : console_(console), quit_(std::move(quit)) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("走行状況"));
    console_.ui.Main = this;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    buildCommon();
    layout->addWidget(console_.ui.Frm_Main);
    auto* cars = new QHBoxLayout;
    cars->setSpacing(4);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        console_.ui.Car[slot] = new widgets::CarPanel(slot, console_.clock, this);
        cars->addWidget(console_.ui.Car[slot], 1);
    }
    layout->addLayout(cars, 1);

    auto& clock = console_.clock;
    auto& ui = console_.ui;
    ui.Time_NoInputBlk = clock.makeTimer();
    ui.Time_OtherLap = clock.makeTimer();

    handlers_ = std::make_unique<Handlers>(console_);
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
    auto& ui = console_.ui;
    ui.Frm_Main = frame({}, this, QStringLiteral("Frm_Main"));
    auto* row = new QHBoxLayout(ui.Frm_Main);
    row->setContentsMargins(4, 4, 4, 4);

    // Event data for the results report
    auto* event = new QGridLayout;
    auto* eventFrame =
        frame(QStringLiteral("ｲﾍﾞﾝﾄ名"), ui.Frm_Main, QStringLiteral("Frm_Comment_0"));
    (new QVBoxLayout(eventFrame))
        ->addWidget(ui.Txt_Event = textBox(eventFrame, QStringLiteral("Txt_Event"), 200));
    auto* dateFrame = frame(QStringLiteral("日付"), ui.Frm_Main, QStringLiteral("Frm_Comment_1"));
    (new QVBoxLayout(dateFrame))
        ->addWidget(ui.Txt_Date = textBox(dateFrame, QStringLiteral("Txt_Date"), 100));
    auto* weatherFrame =
        frame(QStringLiteral("天気"), ui.Frm_Main, QStringLiteral("Frm_Comment_2"));
    ui.Cmb_Tenki = named(new QComboBox(weatherFrame), QStringLiteral("Cmb_Tenki"));
    ui.Cmb_Tenki->addItems(
        {QStringLiteral("晴"), QStringLiteral("曇"), QStringLiteral("雨"), QStringLiteral("雪")});
    ui.Cmb_Tenki->setCurrentIndex(-1);
    (new QVBoxLayout(weatherFrame))->addWidget(ui.Cmb_Tenki);
    auto* tempFrame = frame(QStringLiteral("気温"), ui.Frm_Main, QStringLiteral("Frm_Comment_3"));
    auto* tempRow = new QHBoxLayout(tempFrame);
    tempRow->addWidget(ui.Txt_Kion = textBox(tempFrame, QStringLiteral("Txt_Kion"), 50));
    tempRow->addWidget(label(QStringLiteral("度"), tempFrame));
    event->addWidget(eventFrame, 0, 0, 1, 2);
    event->addWidget(dateFrame, 1, 0);
    event->addWidget(weatherFrame, 1, 1);
    event->addWidget(tempFrame, 2, 0);
    auto* courseFrame =
        frame(QStringLiteral("コース名"), ui.Frm_Main, QStringLiteral("Frm_Comment_5"));
    ui.Cmb_Course = named(new widgets::ChoiceList(courseFrame), QStringLiteral("Cmb_Course"));
    (new QVBoxLayout(courseFrame))->addWidget(ui.Cmb_Course);
    event->addWidget(courseFrame, 2, 1);
    row->addLayout(event);

    // Race duration and clocks
    auto* clockFrame =
        frame(QStringLiteral("走行時間"), ui.Frm_Main, QStringLiteral("Frm_Comment_4"));
    auto* clocks = new QGridLayout(clockFrame);
    ui.Txt_RunH = textBox(clockFrame, QStringLiteral("Txt_RunH"), 50);
    ui.Txt_RunN = textBox(clockFrame, QStringLiteral("Txt_RunN"), 50);
    ui.Txt_RunH->setText(QStringLiteral("0"));
    ui.Txt_RunN->setText(QStringLiteral("0"));
    auto* length = new QHBoxLayout;
    length->addWidget(ui.Txt_RunH);
    length->addWidget(label(QStringLiteral("時間"), clockFrame));
    length->addWidget(ui.Txt_RunN);
    length->addWidget(label(QStringLiteral("分"), clockFrame));
    length->addStretch();
    clocks->addLayout(length, 0, 0);
    ui.Lbl_StTime = label({}, clockFrame, QStringLiteral("Lbl_StTime"));
    ui.Lbl_ZanTime =
        label(QStringLiteral("残り 約00:00:00"), clockFrame, QStringLiteral("Lbl_ZanTime"));
    ui.Lbl_SysTime =
        label(QStringLiteral("am 00:00:00"), clockFrame, QStringLiteral("Lbl_SysTime"));
    setBigFont(ui.Lbl_ZanTime, 16);
    setBigFont(ui.Lbl_SysTime, 16);
    ui.Lbl_ZanTime->setAutoFillBackground(true);
    QPalette dark = ui.Lbl_ZanTime->palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::red);
    ui.Lbl_ZanTime->setPalette(dark);
    clocks->addWidget(ui.Lbl_StTime, 1, 0);
    clocks->addWidget(ui.Lbl_ZanTime, 2, 0);
    clocks->addWidget(ui.Lbl_SysTime, 3, 0);
    row->addWidget(clockFrame);

    // Standings board
    auto* standings =
        frame(QStringLiteral("走行車輌状況"), ui.Frm_Main, QStringLiteral("Frm_Standings"));
    auto* board = new QGridLayout(standings);
    board->setVerticalSpacing(1);
    const QStringList heads = {QStringLiteral("順位"), QStringLiteral("車輌名"),
                               QStringLiteral("BestTime"), QStringLiteral("BestLap")};
    for (int c = 0; c < heads.size(); ++c) {
        board->addWidget(label(heads[c], standings), 0, c);
    }
    for (int r = 0; r < kSlotCount; ++r) {
        ui.Lbl_Jyuni[r] = label(QString::number(r + 1), standings, indexed("Lbl_Jyuni", r));
        ui.Lbl_Sort_No[r] = label({}, standings, indexed("Lbl_Sort_No", r));
        ui.Lbl_Sort_LAP[r] = label({}, standings, indexed("Lbl_Sort_LAP", r));
        ui.Lbl_BestTime[r] = label({}, standings, indexed("Lbl_BestTime", r));
        ui.Lbl_BestLAP[r] = label({}, standings, indexed("Lbl_BestLAP", r));
        auto* name = new QHBoxLayout;
        name->addWidget(ui.Lbl_Sort_No[r], 1);
        name->addWidget(ui.Lbl_Sort_LAP[r]);
        board->addWidget(ui.Lbl_Jyuni[r], r + 1, 0);
        board->addLayout(name, r + 1, 1);
        board->addWidget(ui.Lbl_BestTime[r], r + 1, 2);
        board->addWidget(ui.Lbl_BestLAP[r], r + 1, 3);
    }
    board->setColumnMinimumWidth(1, 160);
    row->addWidget(standings, 1);

    // Stopwatch, own address, message to all cars
    auto* side = new QVBoxLayout;
    auto* watch =
        frame(QStringLiteral("気になる車のLap？"), ui.Frm_Main, QStringLiteral("Frm_OtherLap"));
    auto* watchRow = new QHBoxLayout(watch);
    ui.Lbl_OtherLap = label(QStringLiteral("0'00\"000"), watch, QStringLiteral("Lbl_OtherLap"));
    setBigFont(ui.Lbl_OtherLap, 14);
    ui.Btn_OtherLap = button(QStringLiteral("Start"), watch, QStringLiteral("Btn_OtherLap"));
    ui.Btn_OtherLap->setEnabled(false);
    watchRow->addWidget(ui.Lbl_OtherLap, 1);
    watchRow->addWidget(ui.Btn_OtherLap);
    side->addWidget(watch);
    auto* host = frame(QStringLiteral(" Host IP 情報"), ui.Frm_Main, QStringLiteral("Frm_HostIP"));
    (new QVBoxLayout(host))
        ->addWidget(ui.Lbl_LocalIP = label({}, host, QStringLiteral("Lbl_LocalIP")));
    side->addWidget(host);
    auto* allCars =
        frame(QStringLiteral("全車一斉メッセージ"), ui.Frm_Main, QStringLiteral("Frm_AllOutMess"));
    (new QVBoxLayout(allCars))
        ->addWidget(ui.Txt_AllOutMess = textBox(allCars, QStringLiteral("Txt_AllOutMess")));
    side->addWidget(allCars);
    row->addLayout(side, 1);

    // Buttons
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
    row->addLayout(buttons);
}

void MainWindow::onLoad() {
    // Centred on the screen, and never larger than it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(width(), area.width()), std::min(height(), area.height()));
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    handlers_->onLoad();
}

void MainWindow::setLiveNotice(const QString& notice) {
    liveNotice_ = notice;
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
    pitWall_ = new PitWallWindow(console_, this);
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
