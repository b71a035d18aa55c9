#pragma once

#include "model/change.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace kaltero::relay {

// One journal operation as it travels to the consoles and viewers that follow a race:
// {"race": id, "seq": n, "op": "lap recorded", "slot": s, "lap": l, "args": {...}}.
// seq counts a race's operations from 1 without gaps, so a follower drops a repeat and
// notices a loss.
struct OpsMessage {
    qint64 race = 0;
    qint64 seq = 0;
    model::Change change;
};

QByteArray encodeOps(const OpsMessage& message);
// None for a payload that is no operation of this console's kind (not JSON, an unknown
// operation, a seq below 1): a follower ignores it.
std::optional<OpsMessage> decodeOps(const QByteArray& payload);

// A car's last message and the tick of its last report, which the journal keeps apart from the
// operations (one row per car, replaced): {"race": id, "slot": 3, "message": "...", "tick": n}.
// The slot counts from 1 as in its topic; the tick is null before the car's first report.
struct HeardMessage {
    qint64 race = 0;
    int slot = 0;  // the car slot, from 0
    QString message;
    std::optional<qint32> tick;
    bool operator==(const HeardMessage&) const = default;
};

QByteArray encodeHeard(const HeardMessage& message);
// None for a payload that is no such message or names no car slot.
std::optional<HeardMessage> decodeHeard(const QByteArray& payload);

}  // namespace kaltero::relay
