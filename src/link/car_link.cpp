#include "link/car_link.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "link/lap_stats.h"
#include "link/protocol.h"
#include "link/standings.h"
#include "platform/choice_list.h"
#include "platform/clock.h"
#include "platform/grid.h"
#include "platform/udp_link.h"
#include "timing/time_text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace kaltero::link {

using core::kSlotCount;

namespace {
constexpr qsizetype kShownMessageChars = 256;
}  // namespace

// A report closes a lap only when a lap has been counted for the car (pending) and the car
// does not hold its record yet: no record of this run has reached it, or the lap number it
// carries (three digits on the wire) is not the counted lap's; a correction always closes.
// A car that reports an older number while no lap is pending has lost a reply: recording
// then would overwrite a lap with the time since the last report, so it gets the record
// again instead. A car still holding the last record of an earlier race is no lap either.
bool CarLink::closesLap(const core::CarSlot& car) {
    if (car.LapFlag == u"C") {
        return true;
    }
    return car.LapPending && (!car.RecordSentThisRun || car.CarLapNo != wireLapNumber(car.LapCnt));
}

CarLink::CarLink(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Winsock[s]->setTickClock(&c_.tick);
        QObject::connect(ui.Winsock[s], &platform::UdpLink::dataArrival,
                         [this, s](const QString& text, const QHostAddress&, qint32 arrivalTick) {
                             Winsock_DataArrival(s, text, arrivalTick);
                         });
    }
    QObject::connect(ui.WinsockChker, &platform::UdpLink::dataArrival,
                     [this](const QString& text) { WinsockChker_DataArrival(text); });
}

void CarLink::Winsock_DataArrival(int s, const QString& RcvData, qint32 arrivalTick) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    car.RcvData = RcvData;
    const CarReport report = parseReport(RcvData);
    car.CarLapNo = report.CarLapNo;
    // The label shows the start of a long message: laying out tens of thousands of characters
    // would hold every car's timing for a tenth of a second. The lap log keeps it whole.
    ui.Lbl_InMess[s]->setText(report.message.left(kShownMessageChars));
    if (report.message.isEmpty()) {
        ui.Time_MessBlk[s]->stop();
        core::setBackground(ui.Lbl_InMess[s], core::kWhite);
    } else {
        ui.Time_MessBlk[s]->start();
    }
    car.AutoMsg =
        chooseAutoMsg(ui.Chk_ChgCnter[s]->isChecked(), ui.Txt_ZanRunCnt[s]->text(), c_.settings);
    car.SendMsg = buildSendMsg(ui.Txt_OutMess[s]->text(), car.AutoMsg, c_.state.AllCarMsg);

    if (closesLap(car)) {
        recordLap(s, report.message, arrivalTick);
    } else {
        ui.Winsock[s]->sendData(buildReply(car.LapFlag, car.LapRecord, car.SendMsg));
    }

    car.LastRcvTick = arrivalTick;
    car.LapPending = false;
    if (c_.state.LastCarIdx >= 1) {
        UpdateStandings();
    }
}

void CarLink::recordLap(int s, const QString& carMessage, qint32 now) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    car.LastLapTicks = now - car.LapStartTick;
    car.LapTimeTxt = timing::FormatLapTime(car.LastLapTicks, c_.settings);
    car.LapStartTick = now;
    auto* laps = ui.Spd_Laps[s];
    if (car.LapCnt == 0) {
        car.LapCnt = 1;
    }
    // The grid always holds the counted laps; make sure the row exists before writing it.
    if (laps->rowCount() < car.LapCnt) {
        laps->setRowCount(car.LapCnt);
    }
    laps->setCellText(core::lap_grid::kTime, car.LapCnt, car.LapTimeTxt);
    laps->setCurrent(core::lap_grid::kTime, car.LapCnt);
    laps->activateCurrent();
    laps->setCellText(core::lap_grid::kDriver, car.LapCnt, ui.Cmb_Driver[s]->currentText());
    laps->setCellText(core::lap_grid::kTicks, car.LapCnt, QString::number(car.LastLapTicks));
    laps->setCellText(core::lap_grid::kLog, car.LapCnt,
                      fitSendMsg(car.LapFlag, car.LapRecord, car.SendMsg) + u", " + carMessage);
    UpdateLapStats(s);
    if (car.DrvLapCnt == 0) {
        car.DrvLapCnt = 1;
    }
    car.LapRecord = buildLapRecord({.LapCnt = car.LapCnt,
                                    .LastLapTicks = car.LastLapTicks,
                                    .DrvBestLapTicks = car.DrvBestLapTicks,
                                    .DrvTotalTicks = car.DrvTotalTicks,
                                    .DrvLapCnt = car.DrvLapCnt,
                                    .MsPerTick = c_.settings.MsPerTick,
                                    .now = c_.clock.now(),
                                    .EndTimeSet = c_.state.EndTimeSet,
                                    .RaceEndTime = c_.state.RaceEndTime});
    ui.Winsock[s]->sendData(buildReply(car.LapFlag, car.LapRecord, car.SendMsg));
    car.LapFlag = QStringLiteral("N");
    car.RecordSentThisRun = true;
    ui.Lbl_LapCnt[s]->setText(QString::number(qint64(car.LapCnt) + 1) + u"周目");
}

void CarLink::UpdateLapStats(int s) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    auto* laps = ui.Spd_Laps[s];
    QList<LapRow> rows;
    rows.reserve(laps->rowCount());
    for (int r = 1; r <= laps->rowCount(); ++r) {
        rows.append({laps->cellText(core::lap_grid::kDriver, r),
                     laps->cellText(core::lap_grid::kTicks, r)});
    }
    const LapStats stats =
        link::UpdateLapStats(rows, ui.Cmb_Driver[s]->currentText(), c_.state.RemainTicks,
                             ui.Lbl_YosoSyu[s]->text(), c_.settings);
    car.BestLapTicks = stats.BestLapTicks;
    car.BestLapNo = stats.BestLapNo;
    car.BestLapTxt = stats.BestLapTxt;
    car.AveLapTicks = stats.AveLapTicks;
    car.DrvBestLapTicks = stats.DrvBestLapTicks;
    car.DrvBestLapNo = stats.DrvBestLapNo;
    car.DrvTotalTicks = stats.DrvTotalTicks;
    car.DrvLapCnt = stats.DrvLapCnt;
    ui.Lbl_BestLapTm[s]->setText(stats.Lbl_BestLapTm);
    ui.Lbl_AveLapTm[s]->setText(stats.Lbl_AveLapTm);
    ui.Lbl_YosoSyu[s]->setText(stats.Lbl_YosoSyu);
    ui.Lbl_DrvrBestLapTm[s]->setText(stats.Lbl_DrvrBestLapTm);
    ui.Lbl_DrvrAveLapTm[s]->setText(stats.Lbl_DrvrAveLapTm);
    if (car.DrvInfoRow != 0) {
        ui.Spd_DriverInfo[s]->setCellText(2, car.DrvInfoRow, stats.Lbl_DrvrBestLapTm);
        ui.Spd_DriverInfo[s]->setCellText(3, car.DrvInfoRow, stats.Lbl_DrvrAveLapTm);
    }
}

void CarLink::UpdateStandings() {
    auto& ui = c_.ui;
    auto& st = c_.state;
    // The cars taking part, in slot order, also when a slot without an address lies between.
    QList<StandingsCar> cars;
    for (int s = 0; s < kSlotCount; ++s) {
        if (st.car[s].TakesPart) {
            const auto& car = st.car[s];
            cars.append({car.LapCnt, car.LapPending, car.BestLapTxt, car.BestLapNo,
                         ui.Cmb_Car[s]->currentText(), s});
        }
    }
    const Standings standings = link::UpdateStandings(cars);
    for (int r = 0; r < standings.rows.size() && r < kSlotCount; ++r) {
        st.SortKey[r] = standings.SortKey.value(r);
        const StandingsRow& row = standings.rows[r];
        ui.Lbl_Sort_No[r]->setText(row.Lbl_Sort_No);
        ui.Lbl_Sort_LAP[r]->setText(row.Lbl_Sort_LAP);
        ui.Lbl_BestTime[r]->setText(row.Lbl_BestTime);
        ui.Lbl_BestLAP[r]->setText(row.Lbl_BestLAP);
    }
}

void CarLink::WinsockChker_DataArrival(const QString& request) {
    auto& ui = c_.ui;
    std::array<QString, kSlotCount> addresses;
    for (int s = 0; s < kSlotCount; ++s) {
        addresses[s] = ui.Lbl_IP[s]->text();
    }
    // A request that names no address has nobody to answer; the service stays as it is.
    const auto answer = addressCheckAnswer(request, addresses);
    if (!answer) {
        return;
    }
    auto* chker = ui.WinsockChker;
    chker->close();
    chker->setRemoteHost(request);
    chker->bind();
    chker->sendData(*answer);
}

}  // namespace kaltero::link
