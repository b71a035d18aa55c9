#pragma once

#include "model/change.h"

#include <QByteArray>
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

}  // namespace kaltero::relay
