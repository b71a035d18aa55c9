#pragma once

#include "core/settings.h"
#include "live/race_json.h"
#include "model/change.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::live {

// Follows the race and turns its changes into the live page's messages. A change only marks
// what is due (constant work on the timing path); the message is built once per burst, a few
// tens of ms after its first change, and handed to every open page at once.
//   lap 3 of car 2 recorded -> {"type":"update","race":{... car 2 "laps":[lap 3] ...}}
//   Start, Stop, a resume or a lap-count correction -> {"type":"race","race":{whole race}}
class RaceFeed : public QObject {
    Q_OBJECT

public:
    using Moment = std::function<RaceMoment()>;

    RaceFeed(const model::RaceModel& race, const core::Settings& settings, Moment moment,
             QObject* parent = nullptr);

    // Messages are made only while some page listens; until then changes cost nothing.
    void setListening(bool listening);

    // The whole race now: {"type":"race","race":R}.
    QByteArray wholeMessage() const;
    // The race object R alone.
    QByteArray raceJson() const;

    // How long a burst of changes is gathered before it goes out.
    static constexpr int kCoalesceMs = 40;

Q_SIGNALS:
    // A message for every open page.
    void message(const QByteArray& json);

private:
    void onChange(const model::Change& change);
    void flush();

    const model::RaceModel& race_;
    const core::Settings& settings_;
    Moment moment_;
    QTimer timer_;
    bool listening_ = false;
    bool whole_ = false;
    LapFilter laps_;
};

}  // namespace kaltero::live
