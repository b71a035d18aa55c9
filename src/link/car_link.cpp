#include "link/car_link.h"

#include "core/console_context.h"
#include "link/lap_closing.h"
#include "link/link_trace.h"
#include "link/protocol.h"
#include "link/standings.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "timing/pit_wall.h"

#include <QHostAddress>

namespace kaltero::link {

using core::kSlotCount;

// A report closes a lap only when a lap has been counted for the car (pending) and the car
// does not hold its record yet: no record of this run has reached it, or the lap number it
// carries (three digits on the wire) is not the counted lap's; a correction always closes.
// A car that reports an older number while no lap is pending has lost a reply: recording
// then would overwrite a lap with the time since the last report, so it gets the record
// again instead. A car still holding the last record of an earlier race is no lap either.
bool CarLink::closesLap(const core::CarSlot& car) {
    // A corrected count goes out with the lap it counts; a lap repaired while the car is within
    // reach waits for the silence that counts the next one.
    if (car.LapFlag == core::RecordFlag::Corrected && car.LapPending) {
        return true;
    }
    return car.LapPending && (!car.RecordSentThisRun || car.CarLapNo != wireLapNumber(car.LapCnt));
}

CarLink::CarLink(core::Console& console) : c_(console) {
    for (int s = 0; s < kSlotCount; ++s) {
        c_.sockets.car[s]->setTickClock(&c_.tick);
        QObject::connect(
            c_.sockets.car[s].get(), &platform::UdpLink::dataArrival,
            [this, s](const QString& text, const QHostAddress& sender, qint32 arrivalTick) {
                if (takeReport(s, sender)) {
                    onReport(s, text, arrivalTick);
                }
            });
    }
    QObject::connect(c_.sockets.check.get(), &platform::UdpLink::dataArrival,
                     [this](const QString& text) { onAddressCheck(text); });
}

bool CarLink::fromCarPc(const QString& Address, const QHostAddress& sender) {
    QHostAddress carPc;
    // Parsed as the replies' destination is: dotted IPv4 only, no host names.
    if (!carPc.setAddress(Address) || carPc.protocol() != QAbstractSocket::IPv4Protocol) {
        return false;
    }
    return sender.isEqual(carPc, QHostAddress::ConvertV4MappedToIPv4);
}

bool CarLink::takeReport(int s, const QHostAddress& sender) {
    // The address the replies go to, set at Start: a new entry during the run counts from
    // the next Start, as it does for the replies.
    const QString Address = c_.sockets.car[s]->remoteHost();
    if (!c_.settings.CheckSender || fromCarPc(Address, sender)) {
        return true;
    }
    ++ignoredReports_[s];
    qCDebug(lcLink) << "car" << s + 1 << "report from" << sender.toString()
                    << "ignored, the car PC is" << Address << "-" << ignoredReports_[s]
                    << "ignored so far";
    return false;
}

void CarLink::onReport(int s, const QString& RcvData, qint32 arrivalTick) {
    const auto& car = c_.state.car[s];
    const CarReport report = parseReport(RcvData);
    qCDebug(lcLink) << "car" << s + 1 << "report"
                    << RcvData.left(model::RaceModel::kShownMessageChars);
    QString AutoMsg = chooseAutoMsg(car.CountdownOn, car.CountdownTxt, c_.settings);
    // The stint is looked at only in a race with a stint limit: a report costs no more without.
    // A car in the pit has ended its stint.
    const auto rules = timing::ruleTicks(c_.state.rules, c_.settings.TicksPerSecond);
    if (rules.maxStint > 0 && !car.PitSinceTick &&
        timing::stintMessageDue(
            timing::currentStint(car, arrivalTick, timing::pitTime(c_.state.rules)), rules)) {
        AutoMsg += reminderPiece(c_.state.rules.StintMessage);
    }
    c_.race.receiveReport(
        s, {.RcvData = RcvData,
            .CarLapNo = report.CarLapNo,
            .message = report.message,
            .AutoMsg = AutoMsg,
            .SendMsg =
                buildSendMsg(car.OutMsg, AutoMsg, core::allCarMessageSent(c_.state.AllCarTyped))});

    if (closesLap(car)) {
        recordLap(s, report.message, arrivalTick);
    } else {
        reply(s, buildReply(core::recordFlagText(car.LapFlag), car.LapRecord, car.SendMsg));
    }

    c_.race.reportHandled(s, arrivalTick);
    if (reportTaken_) {
        reportTaken_(s);
    }
    if (c_.state.LastCarIdx >= 1) {
        UpdateStandings();
    }
}

void CarLink::recordLap(int s, const QString& carMessage, qint32 now) {
    const ClosedLap closed = closeLap(c_.state, s, carMessage, now, c_.clock.now(), c_.settings);
    c_.race.recordLap(s, closed.lapNo, closed.lap, now, closed.figures, closed.record);
    qCDebug(lcLink) << "car" << s + 1 << "lap" << closed.lapNo << closed.lap.ticks << "ticks";
    reply(s, buildReply(closed.flag, closed.record, c_.state.car[s].SendMsg));
}

void CarLink::reply(int s, const QString& text) {
    const bool sent = c_.sockets.car[s]->sendData(text);
    qCDebug(lcLink) << "car" << s + 1 << (sent ? "reply" : "reply not sent") << text;
}

void CarLink::UpdateStandings() {
    c_.race.updateStandings(link::UpdateStandings(standingsCars(c_.state)).rows);
}

void CarLink::onAddressCheck(const QString& request) {
    std::array<QString, kSlotCount> addresses;
    for (int s = 0; s < kSlotCount; ++s) {
        addresses[s] = c_.state.car[s].Address;
    }
    // A request that names no address has nobody to answer; the service stays as it is.
    const auto answer = addressCheckAnswer(request, addresses);
    qCDebug(lcLink) << "address check" << request.left(model::RaceModel::kShownMessageChars) << "->"
                    << answer.value_or(QStringLiteral("(no answer)"));
    if (!answer) {
        return;
    }
    auto* chker = c_.sockets.check.get();
    chker->close();
    chker->setRemoteHost(request);
    chker->bind();
    chker->sendData(*answer);
}

}  // namespace kaltero::link
