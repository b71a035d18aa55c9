#pragma once

#include "relay/ops_message.h"

#include <QObject>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::standby {

// Rebuilds another console's race, operation by operation as it publishes them, into this
// console's race: each one replayed as a resume replays the journal, so whatever follows the
// race (the journal, the views) takes it in as the source's console did. A repeat is dropped;
// an operation past the next one means some were missed (the standby started mid-race, or the
// broker lost them): the race is then left as it was and the loss told, never rebuilt wrong.
// The next race's start (seq 1) rebuilds from scratch and follows again.
class Mirror : public QObject {
    Q_OBJECT

public:
    enum class State {
        Waiting,    // no race started since this console stood by
        Following,  // every operation of the race so far is held
        Missed,     // operations are missing: held up to heldSeq(), next heard missedTo()
    };
    Q_ENUM(State)
    // What became of one message.
    enum class Taken { Applied, Repeat, Missed };

    explicit Mirror(model::RaceModel& race, QObject* parent = nullptr);

    Taken take(const relay::OpsMessage& message);

    State state() const { return state_; }
    // The source's race followed (0: none yet) and the last of its operations held.
    qint64 race() const { return race_; }
    qint64 heldSeq() const { return held_; }
    // The first operation heard past the gap.
    qint64 missedTo() const { return missedTo_; }

Q_SIGNALS:
    void stateChanged(kaltero::standby::Mirror::State state);
    // An operation of the source's race was replayed here.
    void applied(const kaltero::model::Change& change);

private:
    void setState(State state);
    Taken apply(const relay::OpsMessage& message);
    // The race is kept as it was: operations before seq are missing.
    Taken miss(qint64 seq);

    model::RaceModel& race_model_;
    State state_ = State::Waiting;
    qint64 race_ = 0;
    qint64 held_ = 0;
    qint64 missedTo_ = 0;
};

}  // namespace kaltero::standby
