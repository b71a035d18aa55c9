#include "live/race_feed.h"

#include "model/race_model.h"

#include <QJsonDocument>

namespace kaltero::live {

using namespace Qt::StringLiterals;
using model::Op;

namespace {

QByteArray envelope(const QString& type, const QJsonObject& race) {
    return QJsonDocument(QJsonObject{{u"type"_s, type}, {u"race"_s, race}})
        .toJson(QJsonDocument::Compact);
}

}  // namespace

RaceFeed::RaceFeed(const model::RaceModel& race, const core::Settings& settings, Moment moment,
                   QObject* parent)
    : QObject(parent), race_(race), settings_(settings), moment_(std::move(moment)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kCoalesceMs);
    connect(&timer_, &QTimer::timeout, this, &RaceFeed::flush);
    connect(&race_, &model::RaceModel::changed, this, &RaceFeed::onChange);
}

QByteArray RaceFeed::wholeMessage() const {
    return envelope(u"race"_s, raceObject(race_, settings_, moment_()));
}

QByteArray RaceFeed::raceJson() const {
    return QJsonDocument(raceObject(race_, settings_, moment_())).toJson(QJsonDocument::Compact);
}

void RaceFeed::setListening(bool listening) {
    listening_ = listening;
    if (!listening_) {
        timer_.stop();
        whole_ = false;
        for (auto& laps : laps_) {
            laps.clear();
        }
    }
}

void RaceFeed::onChange(const model::Change& change) {
    if (!listening_) {
        return;
    }
    switch (change.op) {
        // The page keeps its clock running from the last one it got, and ranks from the laps.
        case Op::ClockUpdated:
        case Op::StandingsUpdated:
        case Op::StopwatchStarted:
        case Op::StopwatchStopped:
            return;
        case Op::Started:
        case Op::Stopped:
        case Op::Resumed:
        case Op::LapCorrected:
            whole_ = true;
            break;
        case Op::LapCounted:
        case Op::LapRecorded:
        case Op::LapTimeEdited:
        case Op::LapDriverEdited:
        case Op::LapRemarksEdited:
            if (change.slot >= 0 && change.slot < core::kSlotCount && change.lap > 0) {
                laps_[change.slot].insert(change.lap);
            }
            break;
        default:
            break;
    }
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void RaceFeed::flush() {
    const QByteArray json =
        whole_ ? wholeMessage()
               : envelope(u"update"_s, raceObject(race_, settings_, moment_(), &laps_));
    whole_ = false;
    for (auto& laps : laps_) {
        laps.clear();
    }
    Q_EMIT message(json);
}

}  // namespace kaltero::live
