#include "link/car_link.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "link/lap_stats.h"
#include "link/protocol.h"
#include "link/standings.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "timing/time_text.h"

#include <QLabel>

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
        QObject::connect(ui.Winsock[s], &platform::UdpLink::dataArrival,
                         [this, s](const QString& text) { Winsock_DataArrival(s, text); });
    }
    QObject::connect(ui.WinsockChker, &platform::UdpLink::dataArrival,
                     [this](const QString& text) { WinsockChker_DataArrival(text); });
}

void CarLink::Winsock_DataArrival(int s, const QString& RcvData) {
    auto& ui = c_.ui;
    const auto& car = c_.state.car[s];
    const CarReport report = parseReport(RcvData);
    // The label shows the start of a long message: laying out tens of thousands of characters
    // would hold every car's timing for a tenth of a second. The lap log keeps it whole.
    ui.Lbl_InMess[s]->setText(report.message.left(kShownMessageChars));
    if (report.message.isEmpty()) {
        ui.Time_MessBlk[s]->stop();
        core::setBackground(ui.Lbl_InMess[s], core::kWhite);
    } else {
        ui.Time_MessBlk[s]->start();
    }
    const QString AutoMsg = chooseAutoMsg(car.CountdownOn, car.CountdownTxt, c_.settings);
    c_.race.receiveReport(s, {.RcvData = RcvData,
                              .CarLapNo = report.CarLapNo,
                              .message = report.message,
                              .AutoMsg = AutoMsg,
                              .SendMsg = buildSendMsg(car.OutMsg, AutoMsg, c_.state.AllCarMsg)});

    if (closesLap(car)) {
        recordLap(s, report.message);
    } else {
        ui.Winsock[s]->sendData(buildReply(car.LapFlag, car.LapRecord, car.SendMsg));
    }

    c_.race.reportHandled(s, c_.TickCnt());
    if (c_.state.LastCarIdx >= 1) {
        UpdateStandings();
    }
}

void CarLink::recordLap(int s, const QString& carMessage) {
    const auto& car = c_.state.car[s];
    const qint32 now = c_.TickCnt();
    const qint32 lapNo = std::max<qint32>(car.LapCnt, 1);
    QList<core::Lap> laps = car.laps;
    if (laps.size() < lapNo) {
        laps.resize(lapNo);
    }
    core::Lap& lap = laps[lapNo - 1];
    lap.timed = true;
    lap.ticks = now - car.LapStartTick;
    lap.timeText = timing::FormatLapTime(lap.ticks, c_.settings);
    lap.edited = false;
    lap.driver = car.Driver;
    lap.log = fitSendMsg(car.LapFlag, car.LapRecord, car.SendMsg) + u", " + carMessage;
    LapStats stats = figures(s, laps);
    stats.DrvLapCnt = std::max<qint32>(stats.DrvLapCnt, 1);
    const QString record = buildLapRecord({.LapCnt = lapNo,
                                           .LastLapTicks = lap.ticks,
                                           .DrvBestLapTicks = stats.DrvBestLapTicks,
                                           .DrvTotalTicks = stats.DrvTotalTicks,
                                           .DrvLapCnt = stats.DrvLapCnt,
                                           .MsPerTick = c_.settings.MsPerTick,
                                           .now = c_.clock.now(),
                                           .EndTimeSet = c_.state.EndTimeSet,
                                           .RaceEndTime = c_.state.RaceEndTime});
    // The flag goes out with this record; recording the lap turns it back to "N".
    const QString flag = car.LapFlag;
    c_.race.recordLap(s, lapNo, lap, now, stats, record);
    c_.ui.Winsock[s]->sendData(buildReply(flag, record, car.SendMsg));
}

LapStats CarLink::figures(int s, const QList<core::Lap>& laps) const {
    const auto& car = c_.state.car[s];
    return link::UpdateLapStats(laps, car.Driver, c_.state.RemainTicks, car.Lbl_YosoSyu,
                                c_.settings);
}

void CarLink::UpdateStandings() {
    const auto& st = c_.state;
    // The cars taking part, in slot order, also when a slot without an address lies between.
    QList<StandingsCar> cars;
    for (int s = 0; s < kSlotCount; ++s) {
        if (st.car[s].TakesPart) {
            const auto& car = st.car[s];
            cars.append(
                {car.LapCnt, car.LapPending, car.BestLapTxt, car.BestLapNo, car.CarName, s});
        }
    }
    const Standings standings = link::UpdateStandings(cars);
    std::array<QString, kSlotCount> keys;
    for (int r = 0; r < standings.rows.size() && r < kSlotCount; ++r) {
        keys[r] = standings.SortKey.value(r);
        const StandingsRow& row = standings.rows[r];
        c_.ui.Lbl_Sort_No[r]->setText(row.Lbl_Sort_No);
        c_.ui.Lbl_Sort_LAP[r]->setText(row.Lbl_Sort_LAP);
        c_.ui.Lbl_BestTime[r]->setText(row.Lbl_BestTime);
        c_.ui.Lbl_BestLAP[r]->setText(row.Lbl_BestLAP);
    }
    c_.race.updateStandings(keys);
}

void CarLink::WinsockChker_DataArrival(const QString& request) {
    auto& ui = c_.ui;
    std::array<QString, kSlotCount> addresses;
    for (int s = 0; s < kSlotCount; ++s) {
        addresses[s] = c_.state.car[s].Address;
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
