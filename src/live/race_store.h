#pragma once

#include "live/race_delta.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <optional>

namespace kaltero::live {

// The race as the live server holds it, on its own thread, kept current by the deltas the
// console sends. What a page gets of it is bounded whatever the race's length: each car's
// latest kWindowLaps laps in the race object, older ones kPageLaps at a time.
//   car with 960 laps -> "laps": [laps 911..960], "lapsFrom": 911, "lapCount": 960
class RaceStore {
public:
    static constexpr int kWindowLaps = 50;
    static constexpr int kPageLaps = 100;
    // A race object is made once for every page that asks within this time.
    static constexpr int kReuseMs = 250;

    void apply(const RaceDelta& delta);

    // The race object R, its clock moved on to now.
    QByteArray raceJson();
    // {"race":R,"type":"race"}
    QByteArray wholeMessage();
    // {"race":R',"type":"update"}: R with each car's laps just those the delta changed.
    QByteArray updateMessage(const RaceDelta& delta) const;
    // {"car":N,"from":K,"lapCount":C,"laps":[K..]} for the car in slot number N (from 1); none
    // when no such car is in the race.
    std::optional<QByteArray> lapsPage(int carNo, int from) const;

private:
    QJsonObject head_;
    QElapsedTimer madeAt_;
    std::array<QList<QJsonObject>, core::kSlotCount> laps_;
    QByteArray made_;
    QElapsedTimer madeAge_;
};

}  // namespace kaltero::live
