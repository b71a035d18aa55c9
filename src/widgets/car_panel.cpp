#include "widgets/car_panel.h"

#include "core/slot_state.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/gauge.h"
#include "widgets/lap_grid.h"
#include "widgets/two_state_button.h"
#include "widgets/widget_build.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kaltero::widgets {

namespace {

// The caption placed before a control, tied to it so that it can be found from the control.
QLabel* captionFor(const QString& text, QWidget* control) {
    QLabel* l = label(text, control->parentWidget());
    l->setBuddy(control);
    return l;
}

}  // namespace

CarPanel::CarPanel(int s, platform::Clock& clock, QWidget* parent)
    : widgets::Frame(parent),
      Time_MessBlk(clock.makeTimer()),
      Time_GasBlk(clock.makeTimer()),
      Time_DriverInfo(clock.makeTimer()) {
    setTitle(core::carCaption(s));
    setObjectName(indexed("Frm_Runner", s));
    setBackground(kClearedColour);
    auto* col = new QVBoxLayout(this);
    col->setSpacing(2);
    col->setContentsMargins(3, 3, 3, 3);

    buildAddress(col, s);
    buildChoices(col, s);
    buildRunningLap(col, s);
    buildFigures(col, s);
    buildPitWallLine(col, s);
    buildFuel(col, s);
    buildCountdown(col, s);
    buildMessages(col, s);
    buildLapGrid(col, s);
    buildDriverPanel(col, s);
    // Keeps the controls at the top while a cleared slot hides its lap grid.
    col->addStretch();
}

// Car PC address
void CarPanel::buildAddress(QVBoxLayout* col, int s) {
    auto* addr = new QHBoxLayout;
    Lbl_Gousya = label({}, this, indexed("Lbl_Gousya", s));
    Lbl_IP = label({}, this, indexed("Lbl_IP", s));
    setBigFont(Lbl_IP, 11);
    Btn_ClientNoSet = button(QStringLiteral("計測設定"), this, indexed("Btn_ClientNoSet", s));
    Btn_ClientNoSet2 = button(QStringLiteral("計測設定"), this, indexed("Btn_ClientNoSet2", s));
    Btn_ClsCar = button(QStringLiteral("消"), this, indexed("Btn_ClsCar", s));
    Btn_ClsCar->setFixedWidth(32);
    // Address and its buttons on two rows, so that five cars fit a 1366-pixel screen.
    addr->addWidget(Lbl_Gousya);
    addr->addWidget(Lbl_IP, 1);
    col->addLayout(addr);
    auto* addrButtons = new QHBoxLayout;
    addrButtons->addWidget(Btn_ClientNoSet);
    addrButtons->addWidget(Btn_ClientNoSet2);
    addrButtons->addWidget(Btn_ClsCar);
    col->addLayout(addrButtons);
}

// Car and driver
void CarPanel::buildChoices(QVBoxLayout* col, int s) {
    auto* choice = new QGridLayout;
    Cmb_Car = named(new widgets::ChoiceList(this), indexed("Cmb_Car", s));
    Cmb_Driver = named(new widgets::ChoiceList(this), indexed("Cmb_Driver", s));
    choice->addWidget(label(QStringLiteral("車輌"), this), 0, 0);
    choice->addWidget(Cmb_Car, 0, 1);
    choice->addWidget(label(QStringLiteral("ドライバ"), this), 1, 0);
    choice->addWidget(Cmb_Driver, 1, 1);
    choice->setColumnStretch(1, 1);
    col->addLayout(choice);
}

// Running lap
void CarPanel::buildRunningLap(QVBoxLayout* col, int s) {
    auto* running = new QHBoxLayout;
    Lbl_Time = label(QStringLiteral("00'00\"000"), this, indexed("Lbl_Time", s));
    setBigFont(Lbl_Time, 22);
    Lbl_LapCnt = label({}, this, indexed("Lbl_LapCnt", s));
    setBigFont(Lbl_LapCnt, 14);
    running->addWidget(Lbl_Time, 1);
    running->addWidget(Lbl_LapCnt);
    col->addLayout(running);
    auto* actions = new QHBoxLayout;
    Btn_RunStop = button(QStringLiteral("中止"), this, indexed("Btn_RunStop", s));
    Btn_LapChg = button(QStringLiteral("Lap修正"), this, indexed("Btn_LapChg", s));
    Btn_DriverInfo = named(new widgets::TwoStateButton(this), indexed("Btn_DriverInfo", s));
    Btn_DriverInfo->setText(QStringLiteral("ドライバ情報"));
    actions->addWidget(Btn_RunStop);
    actions->addWidget(Btn_LapChg);
    actions->addWidget(Btn_DriverInfo);
    col->addLayout(actions);
}

// Car figures
void CarPanel::buildFigures(QVBoxLayout* col, int s) {
    auto* lapInfo = frame(QStringLiteral("車輌"), this, indexed("Frm_LapInfo", s));
    Frm_LapInfo = lapInfo;
    auto* lapGrid = new QGridLayout(lapInfo);
    lapGrid->setVerticalSpacing(1);
    Lbl_BestLapTm = label({}, lapInfo, indexed("Lbl_BestLapTm", s));
    Lbl_AveLapTm = label({}, lapInfo, indexed("Lbl_AveLapTm", s));
    Lbl_YosoSyu = label({}, lapInfo, indexed("Lbl_YosoSyu", s));
    lapGrid->addWidget(label(QStringLiteral("Best"), lapInfo), 0, 0);
    lapGrid->addWidget(Lbl_BestLapTm, 0, 1);
    lapGrid->addWidget(label(QStringLiteral("Ave"), lapInfo), 1, 0);
    lapGrid->addWidget(Lbl_AveLapTm, 1, 1);
    lapGrid->addWidget(label(QStringLiteral("予想"), lapInfo), 2, 0);
    lapGrid->addWidget(Lbl_YosoSyu, 2, 1);
    lapGrid->setColumnStretch(1, 1);

    // Driver figures
    auto* drvInfo = frame(QStringLiteral("ドライバ"), this, indexed("Frm_DriverInfo", s));
    Frm_DriverInfo = drvInfo;
    auto* drvGrid = new QGridLayout(drvInfo);
    drvGrid->setVerticalSpacing(1);
    Lbl_DrvrBestLapTm = label({}, drvInfo, indexed("Lbl_DrvrBestLapTm", s));
    Lbl_DrvrAveLapTm = label({}, drvInfo, indexed("Lbl_DrvrAveLapTm", s));
    drvGrid->addWidget(label(QStringLiteral("Best"), drvInfo), 0, 0);
    drvGrid->addWidget(Lbl_DrvrBestLapTm, 0, 1);
    drvGrid->addWidget(label(QStringLiteral("Ave"), drvInfo), 1, 0);
    drvGrid->addWidget(Lbl_DrvrAveLapTm, 1, 1);
    drvGrid->setColumnStretch(1, 1);
    auto* figures = new QHBoxLayout;
    figures->addWidget(lapInfo, 1);
    figures->addWidget(drvInfo, 1);
    col->addLayout(figures);
}

// The pit wall's line: cut at the frame's edge, never widens the this.
void CarPanel::buildPitWallLine(QVBoxLayout* col, int s) {
    Lbl_PitWall = label({}, this, indexed("Lbl_PitWall", s));
    Lbl_PitWall->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    col->addWidget(Lbl_PitWall);
}

// Fuel panel
void CarPanel::buildFuel(QVBoxLayout* col, int s) {
    auto* fuel = new QGridLayout;
    fuel->setVerticalSpacing(1);
    Meter_Gas = named(new widgets::Gauge(this), indexed("Meter_Gas", s));
    Lbl_Tank = label(QStringLiteral("999"), this, indexed("Lbl_Tank", s));
    Txt_Nenpi = textBox(this, indexed("Txt_Nenpi", s), 50);
    Txt_InGasl = textBox(this, indexed("Txt_InGasl", s), 50);
    Btn_Kyuyu = button(QStringLiteral("給油"), this, indexed("Btn_Kyuyu", s));
    Lbl_AllGas = label({}, this, indexed("Lbl_AllGas", s));
    Lbl_ZanGas = label(QStringLiteral("残999"), this, indexed("Lbl_ZanGas", s));
    fuel->addWidget(Meter_Gas, 0, 0, 3, 1);
    fuel->addWidget(captionFor(QStringLiteral("タンク容量"), Lbl_Tank), 0, 1);
    fuel->addWidget(Lbl_Tank, 0, 2);
    fuel->addWidget(captionFor(QStringLiteral("平均燃費"), Txt_Nenpi), 0, 3);
    fuel->addWidget(Txt_Nenpi, 0, 4);
    fuel->addWidget(captionFor(QStringLiteral("給油量"), Txt_InGasl), 1, 1);
    fuel->addWidget(Txt_InGasl, 1, 2);
    fuel->addWidget(Btn_Kyuyu, 1, 3, 1, 2);
    fuel->addWidget(captionFor(QStringLiteral("総給油容量"), Lbl_AllGas), 2, 1);
    fuel->addWidget(Lbl_AllGas, 2, 2);
    fuel->addWidget(Lbl_ZanGas, 2, 3, 1, 2);
    Lbl_FuelLaps = label({}, this, indexed("Lbl_FuelLaps", s));
    Lbl_FuelLaps->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    fuel->addWidget(Lbl_FuelLaps, 3, 1, 1, 4);
    col->addLayout(fuel);
}

// Lap countdown
void CarPanel::buildCountdown(QVBoxLayout* col, int s) {
    auto* countdown = new QGridLayout;
    countdown->setVerticalSpacing(1);
    Chk_ChgCnter = named(new QCheckBox(this), indexed("Chk_ChgCnter", s));
    Txt_ZanRunCnt = textBox(this, indexed("Txt_ZanRunCnt", s), 50);
    Lbl_AutoMess1 =
        label(QStringLiteral("周走行したらドライバ交代"), this, indexed("Lbl_AutoMess1", s));
    Lbl_AutoMess2 =
        label(QStringLiteral("メッセージを自動送信する"), this, indexed("Lbl_AutoMess2", s));
    countdown->addWidget(Chk_ChgCnter, 0, 0);
    countdown->addWidget(Txt_ZanRunCnt, 0, 1);
    countdown->addWidget(Lbl_AutoMess1, 0, 2);
    countdown->addWidget(Lbl_AutoMess2, 1, 1, 1, 2);
    countdown->setColumnStretch(2, 1);
    col->addLayout(countdown);
}

// Messages
void CarPanel::buildMessages(QVBoxLayout* col, int s) {
    auto* messages = new QGridLayout;
    Txt_OutMess = textBox(this, indexed("Txt_OutMess", s));
    Lbl_InMess = label({}, this, indexed("Lbl_InMess", s));
    Lbl_InMess->setAutoFillBackground(true);
    Lbl_InMess->setFixedHeight(24);
    // The this's text may be of any length: it is cut at the frame's edge, never widens the this.
    Lbl_InMess->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    messages->addWidget(captionFor(QStringLiteral("送信メッセージ"), Txt_OutMess), 0, 0);
    messages->addWidget(Txt_OutMess, 0, 1);
    messages->addWidget(label(QStringLiteral("受信"), this), 1, 0);
    messages->addWidget(Lbl_InMess, 1, 1);
    col->addLayout(messages);
}

// Lap grid: time, driver, remarks; ticks and the message log stay hidden
void CarPanel::buildLapGrid(QVBoxLayout* col, int s) {
    auto* laps = named(new widgets::LapGrid(this), indexed("Spd_Laps", s));
    Spd_Laps = laps;
    laps->setColumnHidden(core::lap_grid::kTicks, true);
    laps->setColumnHidden(core::lap_grid::kLog, true);
    col->addWidget(laps, 1);
    const auto lapAction = [laps, s](const QString& text, const char* name, QKeySequence key) {
        auto* action = new QAction(text, laps);
        action->setObjectName(indexed(name, s));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        laps->addAction(action);
        return action;
    };
    Act_LapMerge =
        lapAction(QStringLiteral("周結合"), "Act_LapMerge", QKeySequence(Qt::CTRL | Qt::Key_M));
    Act_LapSplit =
        lapAction(QStringLiteral("周分割"), "Act_LapSplit", QKeySequence(Qt::CTRL | Qt::Key_D));
    Act_LapRepairUndo = lapAction(QStringLiteral("結合・分割を元に戻す"), "Act_LapRepairUndo",
                                  QKeySequence(QKeySequence::Undo));
    laps->setContextMenuPolicy(Qt::ActionsContextMenu);
}

// Driver panel, over the lap grid when opened
void CarPanel::buildDriverPanel(QVBoxLayout* col, int s) {
    auto* driverLap = frame(QStringLiteral("ドライバ情報"), this, indexed("Frm_DriverLap", s));
    Frm_DriverLap = driverLap;
    // The window puts the car's driver table in it.
    new QVBoxLayout(driverLap);
    driverLap->hide();
    col->addWidget(driverLap);
}

CarPanel::~CarPanel() = default;

void CarPanel::closeDriverPanel() {
    Time_DriverInfo->stop();
    Frm_DriverLap->hide();
    Btn_DriverInfo->setState(false);
}

}  // namespace kaltero::widgets
