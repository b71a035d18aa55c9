#include "console/main_window.h"

#include "console/handlers.h"
#include "core/colours.h"
#include "core/console_context.h"
#include "platform/choice_list.h"
#include "platform/clock.h"
#include "platform/frame.h"
#include "platform/gauge.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "platform/two_state_button.h"
#include "platform/udp_link.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kaltero::console {

using core::kSlotCount;
using platform::Frame;

namespace {

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + u'_' + QString::number(index);
}

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* label(const QString& text, QWidget* parent, const QString& name = {}) {
    auto* l = new QLabel(text, parent);
    // Texts from cars and operators are shown as typed, never read as markup.
    l->setTextFormat(Qt::PlainText);
    if (!name.isEmpty()) {
        l->setObjectName(name);
    }
    return l;
}

QPushButton* button(const QString& text, QWidget* parent, const QString& name) {
    return named(new QPushButton(text, parent), name);
}

QLineEdit* textBox(QWidget* parent, const QString& name, int width = 0) {
    auto* t = named(new QLineEdit(parent), name);
    if (width > 0) {
        t->setFixedWidth(width);
    }
    return t;
}

Frame* frame(const QString& caption, QWidget* parent, const QString& name = {}) {
    auto* f = new Frame(parent);
    f->setTitle(caption);
    if (!name.isEmpty()) {
        f->setObjectName(name);
    }
    return f;
}

void setBigFont(QWidget* w, int pointSize, bool bold = true) {
    QFont font = w->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    w->setFont(font);
}

}  // namespace

MainWindow::MainWindow(core::Console& console, std::function<void()> quit)
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
        buildCar(slot);
        cars->addWidget(console_.ui.Frm_Runner[slot], 1);
    }
    layout->addLayout(cars, 1);
    buildSettingsPanel();
    buildEditorPanels();

    auto& clock = console_.clock;
    auto& ui = console_.ui;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ui.Time_Lap[slot] = clock.makeTimer();
        ui.Time_MessBlk[slot] = clock.makeTimer();
        ui.Time_GasBlk[slot] = clock.makeTimer();
        ui.Time_DriverInfo[slot] = clock.makeTimer();
        ui.Winsock[slot] = named(new platform::UdpLink(this), indexed("Winsock", slot));
    }
    ui.Time_System = clock.makeTimer();
    ui.Time_NoInputBlk = clock.makeTimer();
    ui.Time_OtherLap = clock.makeTimer();
    ui.WinsockChker = named(new platform::UdpLink(this), QStringLiteral("WinsockChker"));

    handlers_ = std::make_unique<Handlers>(console_);
    connect(ui.Btn_End, &QPushButton::clicked, this, [this] { Btn_End_Click(); });
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
    ui.Cmb_Course = named(new platform::ChoiceList(courseFrame), QStringLiteral("Cmb_Course"));
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
    buttons->addWidget(ui.Btn_Start, 0, 0, 2, 1);
    buttons->addWidget(ui.Btn_Write, 0, 1);
    buttons->addWidget(ui.Btn_End, 1, 1);
    buttons->addWidget(ui.Btn_Car, 2, 0);
    buttons->addWidget(ui.Btn_Cource, 2, 1);
    buttons->addWidget(ui.Btn_Drivers, 3, 0);
    buttons->addWidget(ui.Btn_Mess, 3, 1);
    row->addLayout(buttons);
}

void MainWindow::buildCar(int s) {
    auto& ui = console_.ui;
    auto* car = frame(core::carCaption(s), this, indexed("Frm_Runner", s));
    ui.Frm_Runner[s] = car;
    car->setBackground(core::kClearedColour);
    auto* col = new QVBoxLayout(car);
    col->setSpacing(2);
    col->setContentsMargins(3, 3, 3, 3);

    // Car PC address
    auto* addr = new QHBoxLayout;
    ui.Lbl_Gousya[s] = label({}, car, indexed("Lbl_Gousya", s));
    ui.Lbl_IP[s] = label({}, car, indexed("Lbl_IP", s));
    setBigFont(ui.Lbl_IP[s], 11);
    ui.Btn_ClientNoSet[s] = button(QStringLiteral("計測設定"), car, indexed("Btn_ClientNoSet", s));
    ui.Btn_ClientNoSet2[s] =
        button(QStringLiteral("計測設定"), car, indexed("Btn_ClientNoSet2", s));
    ui.Btn_ClsCar[s] = button(QStringLiteral("消"), car, indexed("Btn_ClsCar", s));
    ui.Btn_ClsCar[s]->setFixedWidth(32);
    // Address and its buttons on two rows, so that five cars fit a 1366-pixel screen.
    addr->addWidget(ui.Lbl_Gousya[s]);
    addr->addWidget(ui.Lbl_IP[s], 1);
    col->addLayout(addr);
    auto* addrButtons = new QHBoxLayout;
    addrButtons->addWidget(ui.Btn_ClientNoSet[s]);
    addrButtons->addWidget(ui.Btn_ClientNoSet2[s]);
    addrButtons->addWidget(ui.Btn_ClsCar[s]);
    col->addLayout(addrButtons);

    // Car and driver
    auto* choice = new QGridLayout;
    ui.Cmb_Car[s] = named(new platform::ChoiceList(car), indexed("Cmb_Car", s));
    ui.Cmb_Driver[s] = named(new platform::ChoiceList(car), indexed("Cmb_Driver", s));
    choice->addWidget(label(QStringLiteral("車輌"), car), 0, 0);
    choice->addWidget(ui.Cmb_Car[s], 0, 1);
    choice->addWidget(label(QStringLiteral("ドライバ"), car), 1, 0);
    choice->addWidget(ui.Cmb_Driver[s], 1, 1);
    choice->setColumnStretch(1, 1);
    col->addLayout(choice);

    // Running lap
    auto* running = new QHBoxLayout;
    ui.Lbl_Time[s] = label(QStringLiteral("00'00\"000"), car, indexed("Lbl_Time", s));
    setBigFont(ui.Lbl_Time[s], 22);
    ui.Lbl_LapCnt[s] = label({}, car, indexed("Lbl_LapCnt", s));
    setBigFont(ui.Lbl_LapCnt[s], 14);
    running->addWidget(ui.Lbl_Time[s], 1);
    running->addWidget(ui.Lbl_LapCnt[s]);
    col->addLayout(running);
    auto* actions = new QHBoxLayout;
    ui.Btn_RunStop[s] = button(QStringLiteral("中止"), car, indexed("Btn_RunStop", s));
    ui.Btn_LapChg[s] = button(QStringLiteral("Lap修正"), car, indexed("Btn_LapChg", s));
    ui.Btn_DriverInfo[s] = named(new platform::TwoStateButton(car), indexed("Btn_DriverInfo", s));
    ui.Btn_DriverInfo[s]->setText(QStringLiteral("ドライバ情報"));
    actions->addWidget(ui.Btn_RunStop[s]);
    actions->addWidget(ui.Btn_LapChg[s]);
    actions->addWidget(ui.Btn_DriverInfo[s]);
    col->addLayout(actions);

    // Car figures
    auto* lapInfo = frame(QStringLiteral("車輌"), car, indexed("Frm_LapInfo", s));
    ui.Frm_LapInfo[s] = lapInfo;
    auto* lapGrid = new QGridLayout(lapInfo);
    lapGrid->setVerticalSpacing(1);
    ui.Lbl_BestLapTm[s] = label({}, lapInfo, indexed("Lbl_BestLapTm", s));
    ui.Lbl_AveLapTm[s] = label({}, lapInfo, indexed("Lbl_AveLapTm", s));
    ui.Lbl_YosoSyu[s] = label({}, lapInfo, indexed("Lbl_YosoSyu", s));
    lapGrid->addWidget(label(QStringLiteral("Best"), lapInfo), 0, 0);
    lapGrid->addWidget(ui.Lbl_BestLapTm[s], 0, 1);
    lapGrid->addWidget(label(QStringLiteral("Ave"), lapInfo), 1, 0);
    lapGrid->addWidget(ui.Lbl_AveLapTm[s], 1, 1);
    lapGrid->addWidget(label(QStringLiteral("予想"), lapInfo), 2, 0);
    lapGrid->addWidget(ui.Lbl_YosoSyu[s], 2, 1);
    lapGrid->setColumnStretch(1, 1);

    // Driver figures
    auto* drvInfo = frame(QStringLiteral("ドライバ"), car, indexed("Frm_DriverInfo", s));
    ui.Frm_DriverInfo[s] = drvInfo;
    auto* drvGrid = new QGridLayout(drvInfo);
    drvGrid->setVerticalSpacing(1);
    ui.Lbl_DrvrBestLapTm[s] = label({}, drvInfo, indexed("Lbl_DrvrBestLapTm", s));
    ui.Lbl_DrvrAveLapTm[s] = label({}, drvInfo, indexed("Lbl_DrvrAveLapTm", s));
    drvGrid->addWidget(label(QStringLiteral("Best"), drvInfo), 0, 0);
    drvGrid->addWidget(ui.Lbl_DrvrBestLapTm[s], 0, 1);
    drvGrid->addWidget(label(QStringLiteral("Ave"), drvInfo), 1, 0);
    drvGrid->addWidget(ui.Lbl_DrvrAveLapTm[s], 1, 1);
    drvGrid->setColumnStretch(1, 1);
    auto* figures = new QHBoxLayout;
    figures->addWidget(lapInfo, 1);
    figures->addWidget(drvInfo, 1);
    col->addLayout(figures);

    // Fuel panel
    auto* fuel = new QGridLayout;
    fuel->setVerticalSpacing(1);
    ui.Meter_Gas[s] = named(new platform::Gauge(car), indexed("Meter_Gas", s));
    ui.Lbl_Tank[s] = label(QStringLiteral("999"), car, indexed("Lbl_Tank", s));
    ui.Txt_Nenpi[s] = textBox(car, indexed("Txt_Nenpi", s), 50);
    ui.Txt_InGasl[s] = textBox(car, indexed("Txt_InGasl", s), 50);
    ui.Btn_Kyuyu[s] = button(QStringLiteral("給油"), car, indexed("Btn_Kyuyu", s));
    ui.Lbl_AllGas[s] = label({}, car, indexed("Lbl_AllGas", s));
    ui.Lbl_ZanGas[s] = label({}, car, indexed("Lbl_ZanGas", s));
    fuel->addWidget(ui.Meter_Gas[s], 0, 0, 3, 1);
    fuel->addWidget(label(QStringLiteral("タンク容量"), car), 0, 1);
    fuel->addWidget(ui.Lbl_Tank[s], 0, 2);
    fuel->addWidget(label(QStringLiteral("平均燃費"), car), 0, 3);
    fuel->addWidget(ui.Txt_Nenpi[s], 0, 4);
    fuel->addWidget(label(QStringLiteral("給油量"), car), 1, 1);
    fuel->addWidget(ui.Txt_InGasl[s], 1, 2);
    fuel->addWidget(ui.Btn_Kyuyu[s], 1, 3, 1, 2);
    fuel->addWidget(label(QStringLiteral("総給油"), car), 2, 1);
    fuel->addWidget(ui.Lbl_AllGas[s], 2, 2);
    fuel->addWidget(ui.Lbl_ZanGas[s], 2, 3, 1, 2);
    col->addLayout(fuel);

    // Lap countdown
    auto* countdown = new QGridLayout;
    countdown->setVerticalSpacing(1);
    ui.Chk_ChgCnter[s] = named(new QCheckBox(car), indexed("Chk_ChgCnter", s));
    ui.Txt_ZanRunCnt[s] = textBox(car, indexed("Txt_ZanRunCnt", s), 50);
    ui.Lbl_AutoMess1[s] =
        label(QStringLiteral("周走行したらドライバ交代"), car, indexed("Lbl_AutoMess1", s));
    ui.Lbl_AutoMess2[s] =
        label(QStringLiteral("メッセージを自動送信する"), car, indexed("Lbl_AutoMess2", s));
    countdown->addWidget(ui.Chk_ChgCnter[s], 0, 0);
    countdown->addWidget(ui.Txt_ZanRunCnt[s], 0, 1);
    countdown->addWidget(ui.Lbl_AutoMess1[s], 0, 2);
    countdown->addWidget(ui.Lbl_AutoMess2[s], 1, 1, 1, 2);
    countdown->setColumnStretch(2, 1);
    col->addLayout(countdown);

    // Messages
    auto* messages = new QGridLayout;
    ui.Txt_OutMess[s] = textBox(car, indexed("Txt_OutMess", s));
    ui.Lbl_InMess[s] = label({}, car, indexed("Lbl_InMess", s));
    ui.Lbl_InMess[s]->setAutoFillBackground(true);
    ui.Lbl_InMess[s]->setFixedHeight(24);
    // The car's text may be of any length: it is cut at the frame's edge, never widens the car.
    ui.Lbl_InMess[s]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    messages->addWidget(label(QStringLiteral("送信"), car), 0, 0);
    messages->addWidget(ui.Txt_OutMess[s], 0, 1);
    messages->addWidget(label(QStringLiteral("受信"), car), 1, 0);
    messages->addWidget(ui.Lbl_InMess[s], 1, 1);
    col->addLayout(messages);

    // Lap grid: time, driver, remarks; ticks and the message log stay hidden
    auto* laps = named(new platform::Grid(car), indexed("Spd_Laps", s));
    ui.Spd_Laps[s] = laps;
    laps->setColumnCount(core::lap_grid::kCount);
    laps->setColumnText(core::lap_grid::kTime);
    laps->setColumnText(core::lap_grid::kDriver);
    laps->setColumnText(core::lap_grid::kRemarks);
    laps->setColumnHidden(core::lap_grid::kTicks, true);
    laps->setColumnHidden(core::lap_grid::kLog, true);
    col->addWidget(laps, 1);

    // Driver panel, over the lap grid when opened
    auto* driverLap = frame(QStringLiteral("ドライバ情報"), car, indexed("Frm_DriverLap", s));
    ui.Frm_DriverLap[s] = driverLap;
    auto* drivers = named(new platform::Grid(driverLap), indexed("Spd_DriverInfo", s));
    ui.Spd_DriverInfo[s] = drivers;
    drivers->setColumnCount(3);
    (new QVBoxLayout(driverLap))->addWidget(drivers);
    driverLap->hide();
    col->addWidget(driverLap);
    // Keeps the controls at the top while a cleared slot hides its lap grid.
    col->addStretch();
}

void MainWindow::buildSettingsPanel() {
    auto& ui = console_.ui;
    ui.Frm_Mess = frame(QStringLiteral("環境設定"), this, QStringLiteral("Frm_Mess"));
    ui.Frm_Mess->setBackground(QColor(0xE0, 0xE0, 0xE0));
    auto* col = new QVBoxLayout(ui.Frm_Mess);
    ui.Spd_Mess = named(new platform::Grid(ui.Frm_Mess), QStringLiteral("Spd_Mess"));
    col->addWidget(ui.Spd_Mess);
    auto* row = new QHBoxLayout;
    ui.Btn_MessOk = button(QStringLiteral("登録"), ui.Frm_Mess, QStringLiteral("Btn_MessOk"));
    ui.Btn_MessCancel =
        button(QStringLiteral("Cancel"), ui.Frm_Mess, QStringLiteral("Btn_MessCancel"));
    row->addStretch();
    row->addWidget(ui.Btn_MessOk);
    row->addWidget(ui.Btn_MessCancel);
    col->addLayout(row);
    ui.Frm_Mess->resize(760, 300);
    ui.Frm_Mess->hide();
}

void MainWindow::buildEditorPanels() {
    auto& ui = console_.ui;
    // A grid over "登録" and "Cancel"; the master data handler lays the grid out and sizes the
    // panel to it.
    auto build = [this](const QString& caption, const QString& name, const QString& gridName,
                        const QString& okName, const QString& cancelName, Frame*& panel,
                        platform::Grid*& grid, QPushButton*& ok, QPushButton*& cancel) {
        panel = frame(caption, this, name);
        panel->setBackground(QColor(0xE0, 0xE0, 0xE0));
        auto* col = new QVBoxLayout(panel);
        grid = named(new platform::Grid(panel), gridName);
        col->addWidget(grid, 1);
        auto* row = new QHBoxLayout;
        ok = button(QStringLiteral("登録"), panel, okName);
        cancel = button(QStringLiteral("Cancel"), panel, cancelName);
        row->addStretch();
        row->addWidget(ok);
        row->addWidget(cancel);
        col->addLayout(row);
        panel->hide();
    };
    build(QStringLiteral("車輌情報編集"), QStringLiteral("Frm_Car"), QStringLiteral("Spd_Car"),
          QStringLiteral("Btn_CarOK"), QStringLiteral("Btn_CarCancel"), ui.Frm_Car, ui.Spd_Car,
          ui.Btn_CarOK, ui.Btn_CarCancel);
    build(QStringLiteral("コース情報編集"), QStringLiteral("Frm_Course"),
          QStringLiteral("Spd_Course"), QStringLiteral("Btn_CourceOK"),
          QStringLiteral("Btn_CourceCancel"), ui.Frm_Course, ui.Spd_Course, ui.Btn_CourceOK,
          ui.Btn_CourceCancel);
    build(QStringLiteral("ドライバ編集"), QStringLiteral("Frm_Drivers"),
          QStringLiteral("Spd_Drivers"), QStringLiteral("Btn_DrvOk"),
          QStringLiteral("Btn_DrvCancel"), ui.Frm_Drivers, ui.Spd_Drivers, ui.Btn_DrvOk,
          ui.Btn_DrvCancel);
}

void MainWindow::Form_Load() {
    // Centred on the screen, and never larger than it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(width(), area.width()), std::min(height(), area.height()));
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    handlers_->Form_Load();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Form_QueryUnload: the console is left only through End, never by the close box.
    event->ignore();
}

void MainWindow::Btn_End_Click() {
    if (!console_.prompts.askYesNo(QStringLiteral("終了します。よろしいですか？"),
                                   QStringLiteral("終了確認"), platform::PromptIcon::Information)) {
        return;
    }
    console_.tick.stop();
    quit_();
}

}  // namespace kaltero::console
