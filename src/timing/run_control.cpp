#include "timing/run_control.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "core/number_text.h"
#include "platform/choice_list.h"
#include "platform/clock.h"
#include "platform/frame.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "platform/udp_link.h"
#include "timing/race_length.h"
#include "timing/time_text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::timing {

using core::kSlotCount;

RunControl::RunControl(core::Console& console) : c_(console) {
    for (int s = 0; s < kSlotCount; ++s) {
        c_.ui.Time_Lap[s]->onTimeout([this, s] { Time_Lap_Timer(s); });
    }
}

void RunControl::Btn_Start_Click() {
    if (c_.ui.Btn_Start->text() == u"Start") {
        start();
    } else {
        stop();
    }
}

void RunControl::start() {
    auto& ui = c_.ui;
    auto& st = c_.state;
    c_.tick.start(c_.settings.TicksPerSecond);
    ui.Btn_Start->setText(QStringLiteral("Stop"));
    st.RaceStartTime = c_.clock.now();
    const auto end = raceEndTime(ui.Txt_RunH->text(), ui.Txt_RunN->text(), st.RaceStartTime);
    st.EndTimeSet = end.has_value();
    if (end) {
        st.RaceEndTime = *end;
    }
    st.LastCarIdx = -1;
    for (int s = 0; s < kSlotCount; ++s) {
        st.car[s].LapCnt = 0;
        st.car[s].LapPending = false;
        st.car[s].TakesPart = !ui.Lbl_IP[s]->text().isEmpty();
        st.car[s].RecordSentThisRun = false;
        if (ui.Lbl_IP[s]->text().isEmpty()) {
            standOut(s);
        } else {
            takePart(s);
        }
    }

    if (st.LastCarIdx == -1) {
        c_.prompts.message(QStringLiteral("計測する車輌の登録がされていません。"), {},
                           platform::PromptIcon::None);
        ui.Btn_Start->setText(QStringLiteral("Start"));
        c_.tick.stop();
        st.EndTimeSet = false;
        for (int s = 0; s < kSlotCount; ++s) {
            ui.Frm_Runner[s]->setEnabled(true);
            ui.Winsock[s]->close();
        }
        return;
    }

    ui.WinsockChker->close();
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
        ui.Btn_ClientNoSet2[s]->setEnabled(false);
        ui.Btn_ClsCar[s]->setEnabled(false);
        if (ui.Frm_Runner[s]->background() == core::kSetUpColour) {
            ui.Cmb_Driver[s]->setBackground(Qt::white);
            ui.Cmb_Car[s]->setBackground(Qt::white);
        }
    }
    st.StopNoAsk = false;
}

void RunControl::standOut(int s) {
    auto& ui = c_.ui;
    ui.Time_Lap[s]->stop();
    ui.Time_Lap[s]->setInterval(0);
    ui.Winsock[s]->close();
    ui.Frm_Runner[s]->setEnabled(false);
    ui.Btn_RunStop[s]->setEnabled(false);
}

void RunControl::takePart(int s) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    ui.Lbl_AllGas[s]->setText(core::generalNumber(car.FuelTotal));
    ui.Btn_RunStop[s]->setEnabled(true);
    c_.hooks.UpdateFuelView(s);
    ui.Frm_Runner[s]->setEnabled(true);
    auto* sock = ui.Winsock[s];
    sock->setRemoteHost(ui.Lbl_IP[s]->text());
    sock->setRemotePort(replyPort(s));
    sock->setLocalPort(carPort(s));
    sock->bind();
    ++c_.state.LastCarIdx;
    car.LapStartTick = 0;
    ui.Time_Lap[s]->setInterval(kLapTimerMs);
    ui.Time_Lap[s]->start();
    ui.Lbl_LapCnt[s]->setText(QStringLiteral("1周目"));
    ui.Spd_Laps[s]->setRowCount(0);
    for (QLabel* l : {ui.Lbl_BestLapTm[s], ui.Lbl_AveLapTm[s], ui.Lbl_YosoSyu[s],
                      ui.Lbl_DrvrBestLapTm[s], ui.Lbl_DrvrAveLapTm[s]}) {
        l->clear();
    }
}

void RunControl::stop() {
    auto& ui = c_.ui;
    auto& st = c_.state;
    if (!st.StopNoAsk &&
        !c_.prompts.askYesNo(QStringLiteral("ストップしますか？"), QStringLiteral("Stop確認"),
                             platform::PromptIcon::Critical)) {
        return;
    }
    st.StopNoAsk = false;
    st.EndTimeSet = false;
    ui.Btn_Start->setText(QStringLiteral("Start"));
    c_.tick.stop();
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Btn_RunStop[s]->setEnabled(true);
        ui.Winsock[s]->close();
        ui.Time_Lap[s]->stop();
        ui.Time_MessBlk[s]->stop();
        ui.Frm_Runner[s]->setEnabled(true);
        ui.Lbl_Time[s]->setText(FormatLapTime(0, c_.settings));
        ui.Txt_OutMess[s]->clear();
        ui.Chk_ChgCnter[s]->setChecked(false);
        c_.hooks.Chk_ChgCnter_Click(s);
        ui.Lbl_InMess[s]->clear();
        core::setBackground(ui.Lbl_InMess[s], core::kSetUpColour);
        ui.Btn_ClientNoSet2[s]->setEnabled(true);
        ui.Btn_ClsCar[s]->setEnabled(true);
    }
    ui.WinsockChker->bind();
    ui.Lbl_StTime->clear();
    for (QPushButton* b :
         {ui.Btn_End, ui.Btn_Write, ui.Btn_Cource, ui.Btn_Drivers, ui.Btn_Car, ui.Btn_Mess}) {
        b->setEnabled(true);
    }
    ui.Btn_OtherLap->setEnabled(false);
    ui.Time_NoInputBlk->start();
}

void RunControl::Time_Lap_Timer(int s) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    const qint32 now = c_.TickCnt();
    ui.Lbl_Time[s]->setText(FormatLapTime(now - car.LapStartTick, c_.settings));
    // 64-bit sum: a car silent since an earlier run must not overflow into a lap.
    if (car.LapPending || qint64(car.LastRcvTick) + c_.settings.NoCommTicks >= now) {
        return;
    }
    ++car.LapCnt;
    c_.hooks.UpdateFuelView(s);
    if (ui.Chk_ChgCnter[s]->isChecked()) {
        const double left = core::leadingNumber(ui.Txt_ZanRunCnt[s]->text()) - 1;
        ui.Txt_ZanRunCnt[s]->setText(core::generalNumber(left));
    }
    auto* laps = ui.Spd_Laps[s];
    laps->setRowCount(car.LapCnt);
    laps->setCurrent(1, car.LapCnt);
    laps->activateCurrent();
    car.LapPending = true;
    ui.Txt_OutMess[s]->clear();
}

}  // namespace kaltero::timing
