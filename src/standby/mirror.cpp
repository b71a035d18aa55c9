#include "standby/mirror.h"

#include "model/race_model.h"

namespace kaltero::standby {

Mirror::Mirror(model::RaceModel& race, QObject* parent) : QObject(parent), race_model_(race) {}

Mirror::Taken Mirror::take(const relay::OpsMessage& m) {
    // A race begins with its start, which carries the whole set-up: nothing before it is needed.
    if (m.seq == 1 && m.change.op == model::Op::Started && m.race != race_) {
        race_ = m.race;
        held_ = 0;
        return apply(m);
    }
    // Race ids count up on the source: an earlier race's operation is a late repeat.
    if (m.race < race_ || (m.race == race_ && m.seq <= held_)) {
        return Taken::Repeat;
    }
    if (m.race != race_) {
        // A race whose start this console never heard (it stood by mid-race).
        race_ = m.race;
        held_ = 0;
        return miss(m.seq);
    }
    if (state_ == State::Missed) {
        return Taken::Missed;
    }
    if (m.seq == held_ + 1) {
        return apply(m);
    }
    return miss(m.seq);
}

Mirror::Taken Mirror::miss(qint64 seq) {
    missedTo_ = seq;
    setState(State::Missed);
    return Taken::Missed;
}

Mirror::Taken Mirror::apply(const relay::OpsMessage& m) {
    race_model_.replay(m.change);
    held_ = m.seq;
    setState(State::Following);
    Q_EMIT applied(m.change);
    return Taken::Applied;
}

void Mirror::setState(State state) {
    if (state_ != state) {
        state_ = state;
        Q_EMIT stateChanged(state);
    }
}

}  // namespace kaltero::standby
