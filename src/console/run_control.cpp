#include "console/run_control.h"

#include "console/window_context.h"
#include "core/number_text.h"
#include "core/ports.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/udp_link.h"
#include "timing/race_length.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/frame.h"

#include <QHostAddress>
#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using timing::FormatLapTime;
using timing::raceEndTime;
using timing::startTimeText;

using core::kSlotCount;

namespace {

// "３号車：pit-pc" for each car taking part whose address is no dotted IPv4 address, parsed
// as the car link parses it.
QStringList carsWithoutNumericAddress(const core::RaceState& st) {
    QStringList cars;
    for (int s = 0; s < kSlotCount; ++s) {
        QHostAddress carPc;
        const QString& address = st.car[s].Address;
        if (st.car[s].TakesPart &&
            (!carPc.setAddress(address) || carPc.protocol() != QAbstractSocket::IPv4Protocol)) {
            cars << core::carCaption(s) + u"：" + address;
        }
    }
    return cars;
}

}  // namespace

RunControl::RunControl(WindowContext& console) : c_(console) {
    for (int s = 0; s < kSlotCount; ++s) {
        c_.ui.Car[s]->Time_Lap->onTimeout([this, s] { onLapTimer(s); });
    }
}

void RunControl::onStartStop() {
    if (c_.race.timing()) {
        stop();
    } else {
        start();
    }
}

void RunControl::start() {
    auto& ui = c_.ui;
    const auto& st = c_.state;
    const bool anyCar = std::any_of(st.car.begin(), st.car.end(), [](const core::CarSlot& car) {
        return !car.Address.isEmpty();
    });
    if (!anyCar) {
        for (int s = 0; s < kSlotCount; ++s) {
            standOut(s);
        }
        c_.prompts.message(QStringLiteral("計測する車輌の登録がされていません。"), {},
                           platform::PromptIcon::None);
        for (int s = 0; s < kSlotCount; ++s) {
            ui.Car[s]->setEnabled(true);
        }
        return;
    }

    c_.tick.start(c_.settings.TicksPerSecond);
    const QDateTime now = c_.clock.now();
    c_.race.start(now, raceEndTime(st.RunH, st.RunN, now));
    showRunning();
}

void RunControl::resume() {
    const auto& st = c_.state;
    // Race time never runs backwards: a wall clock set back while the console was down gives
    // no earlier tick than the race last recorded (and so no negative lap).
    const qint64 elapsedMs =
        std::max({st.RaceStartTime.isValid() ? st.RaceStartTime.msecsTo(c_.clock.now()) : 0,
                  qint64(c_.race.latestTick()) * c_.settings.MsPerTick, qint64(0)});
    c_.tick.start(c_.settings.TicksPerSecond, elapsedMs * 1'000'000);
    c_.race.resume(c_.TickCnt());
    showRunning();
}

void RunControl::showRunning() {
    auto& ui = c_.ui;
    const auto& st = c_.state;
    ui.Btn_Start->setText(QStringLiteral("Stop"));
    QStringList unbound;
    for (int s = 0; s < kSlotCount; ++s) {
        if (st.car[s].TakesPart && !st.car[s].Running) {
            showStopped(s);  // a resumed race's car the operator had stopped
        } else if (!st.car[s].Running) {
            standOut(s);
        } else if (!takePart(s)) {
            unbound << core::carCaption(s) + u"：ポート" + QString::number(core::consolePort(s));
        }
    }
    // The other cars are timed; the operator must know which car is not, and why.
    if (!unbound.isEmpty()) {
        c_.prompts.message(u"次の車輌の受信ポートを開けません。他のプログラムが使用しています。\n" +
                               unbound.join(u'\n') + u"\nこの車輌は計測されません。",
                           QStringLiteral("ポート確認"), platform::PromptIcon::Critical);
    }
    // A car PC entered by name is never heard: the link takes reports from its address only.
    const QStringList unnumbered = carsWithoutNumericAddress(st);
    if (c_.settings.CheckSender && !unnumbered.isEmpty()) {
        c_.prompts.message(
            u"次の車輌のＩＰ番号が数字のアドレス（例 192.168.0.21）ではないため、"
            u"報告を受け付けられません。周回は記録されません。\n" +
                unnumbered.join(u'\n'),
            QStringLiteral("ＩＰ確認"), platform::PromptIcon::Warning);
    }

    c_.sockets.check->close();
    for (int r = 0; r < kSlotCount; ++r) {
        for (QLabel* l :
             {ui.Lbl_Sort_No[r], ui.Lbl_Sort_LAP[r], ui.Lbl_BestTime[r], ui.Lbl_BestLAP[r]}) {
            l->clear();
        }
        for (QLabel* l : {ui.Lbl_Jyuni[r], ui.Lbl_Sort_No[r], ui.Lbl_Sort_LAP[r],
                          ui.Lbl_BestTime[r], ui.Lbl_BestLAP[r]}) {
            l->setVisible(r <= st.LastCarIdx);
        }
    }
    ui.Lbl_StTime->setText(startTimeText(st.RaceStartTime));
    for (QPushButton* b :
         {ui.Btn_End, ui.Btn_Write, ui.Btn_Cource, ui.Btn_Drivers, ui.Btn_Car, ui.Btn_Mess}) {
        b->setEnabled(false);
    }
    ui.Btn_OtherLap->setEnabled(true);
    ui.Time_NoInputBlk->stop();
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Btn_ClientNoSet2->setEnabled(false);
        ui.Car[s]->Btn_ClsCar->setEnabled(false);
        if (st.car[s].SetUp) {
            ui.Car[s]->Cmb_Driver->setBackground(Qt::white);
            ui.Car[s]->Cmb_Car->setBackground(Qt::white);
        }
    }
}

void RunControl::standOut(int s) {
    auto& ui = c_.ui;
    ui.Car[s]->Time_Lap->stop();
    c_.sockets.car[s]->close();
    ui.Car[s]->setEnabled(false);
    ui.Car[s]->Btn_RunStop->setEnabled(false);
}

void RunControl::showStopped(int s) {
    auto& ui = c_.ui;
    ui.Car[s]->Time_Lap->stop();
    c_.sockets.car[s]->close();
    ui.Car[s]->Time_MessBlk->stop();
    widgets::setBackground(ui.Car[s]->Lbl_InMess, widgets::kSetUpColour);
    ui.Car[s]->Btn_RunStop->setEnabled(false);
}

bool RunControl::takePart(int s) {
    auto& ui = c_.ui;
    const auto& car = c_.state.car[s];
    ui.Car[s]->Lbl_AllGas->setText(core::generalNumber(car.FuelTotal));
    ui.Car[s]->Btn_RunStop->setEnabled(true);
    ui.Car[s]->setEnabled(true);
    auto* sock = c_.sockets.car[s].get();
    sock->setRemoteHost(car.Address);
    sock->setRemotePort(core::carPort(s));
    sock->setLocalPort(core::consolePort(s));
    ui.Car[s]->Time_Lap->setInterval(kLapTimerMs);
    ui.Car[s]->Time_Lap->start();
    return sock->bind();
}

void RunControl::bindAddressCheck() {
    auto* chker = c_.sockets.check.get();
    chker->setLocalPort(core::kCheckConsolePort);
    chker->setRemotePort(core::kCheckCarPort);
    if (chker->bind() || checkPortTold_) {
        return;
    }
    checkPortTold_ = true;
    c_.prompts.message(u"アドレス確認用のポート" + QString::number(core::kCheckConsolePort) +
                           u"を開けません。他のプログラムが使用しています。\n"
                           u"車輌パソコンからのアドレス確認には答えられません。",
                       QStringLiteral("ポート確認"), platform::PromptIcon::Critical);
}

void RunControl::stop() {
    auto& ui = c_.ui;
    if (!c_.state.StopNoAsk &&
        !c_.prompts.askYesNo(QStringLiteral("ストップしますか？"), QStringLiteral("Stop確認"),
                             platform::PromptIcon::Critical)) {
        return;
    }
    c_.tick.stop();
    c_.race.stop();
    ui.Btn_Start->setText(QStringLiteral("Start"));
    for (int s = 0; s < kSlotCount; ++s) {
        c_.race.switchCountdown(s, false, core::kCountdownOffText);
        ui.Car[s]->Btn_RunStop->setEnabled(true);
        c_.sockets.car[s]->close();
        ui.Car[s]->Time_Lap->stop();
        ui.Car[s]->Time_MessBlk->stop();
        ui.Car[s]->setEnabled(true);
        ui.Car[s]->Lbl_Time->setText(FormatLapTime(0, c_.settings));
        widgets::setBackground(ui.Car[s]->Lbl_InMess, widgets::kSetUpColour);
        ui.Car[s]->Btn_ClientNoSet2->setEnabled(true);
        ui.Car[s]->Btn_ClsCar->setEnabled(true);
    }
    bindAddressCheck();
    ui.Lbl_StTime->clear();
    for (QPushButton* b :
         {ui.Btn_End, ui.Btn_Write, ui.Btn_Cource, ui.Btn_Drivers, ui.Btn_Car, ui.Btn_Mess}) {
        b->setEnabled(true);
    }
    ui.Btn_OtherLap->setEnabled(false);
    ui.Time_NoInputBlk->start();
}

void RunControl::onLapTimer(int s) {
    const auto& car = c_.state.car[s];
    const qint32 now = c_.TickCnt();
    c_.ui.Car[s]->Lbl_Time->setText(FormatLapTime(now - car.LapStartTick, c_.settings));
    // 64-bit sum: a car silent since an earlier run must not overflow into a lap.
    if (car.LapPending || qint64(car.LastRcvTick) + c_.settings.NoCommTicks >= now) {
        return;
    }
    const QString countdown = car.CountdownOn
                                  ? core::generalNumber(core::leadingNumber(car.CountdownTxt) - 1)
                                  : car.CountdownTxt;
    c_.race.countLap(s, countdown);
}

}  // namespace kaltero::console
