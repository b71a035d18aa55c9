#pragma once

#include "core/settings.h"
#include "live/race_delta.h"
#include "live/race_json.h"
#include "model/change.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::live {

// Follows the race on the console's thread and turns its changes into deltas for the live
// server's thread. A change only marks what is due (constant work on the timing path); the
// delta is made once per burst, a few tens of ms after its first change, and carries the race
// without laps and only the laps that changed, so that it costs what changed, not the race: a
// car's figures are made again only when the car changed, every car's on a race-wide change.
//   lap 3 of car 2 recorded -> head + car 2: lap 3
//   Start, Stop, a resume -> head + every lap, whole; a count correction -> that car's laps
class RaceFeed : public QObject {
    Q_OBJECT

public:
    using Moment = std::function<RaceMoment()>;

    // The first delta, the whole race, follows within kCoalesceMs, or at flush().
    RaceFeed(const model::RaceModel& race, const core::Settings& settings, Moment moment,
             QObject* parent = nullptr);

    // Sends what is due now: a server that starts holds the race before its first client.
    void flush();
    // The race as it stands, whole, for a listener that joins after the first delta; what is
    // due still goes out to every listener as before.
    RaceDeltaPtr wholeRace();

    // How long a burst of changes is gathered before it goes out.
    static constexpr int kCoalesceMs = 40;

Q_SIGNALS:
    void delta(const kaltero::live::RaceDeltaPtr& delta);

private:
    void onChange(const model::Change& change);
    std::shared_ptr<RaceDelta> newDelta(bool whole);
    // The car's laps that the median holds in doubt now.
    QSet<int> doubtfulLaps(int slot) const;
    // The car's laps numbered in `lapNos` (every lap when null) into the delta.
    void addLaps(RaceDelta& d, int slot, const QSet<int>& doubtful, const QSet<int>* lapNos) const;

    const model::RaceModel& race_;
    const core::Settings& settings_;
    Moment moment_;
    QTimer timer_;
    bool whole_ = true;
    std::array<bool, core::kSlotCount> allLaps_{};
    std::array<QSet<int>, core::kSlotCount> laps_;
    std::array<QSet<int>, core::kSlotCount> doubtful_;  // laps last sent marked to check
    CarObjects cars_;  // each car as last made; emptied by its change
};

}  // namespace kaltero::live
