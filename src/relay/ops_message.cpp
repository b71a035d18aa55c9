#include "relay/ops_message.h"

#include "core/slot_state.h"
#include "model/operations.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kaltero::relay {

QByteArray encodeOps(const OpsMessage& message) {
    const model::Change& c = message.change;
    QJsonObject o;
    o.insert(QStringLiteral("race"), message.race);
    o.insert(QStringLiteral("seq"), message.seq);
    o.insert(QStringLiteral("op"), model::opName(c.op));
    o.insert(QStringLiteral("slot"), c.slot);
    o.insert(QStringLiteral("lap"), c.lap);
    o.insert(QStringLiteral("detail"), c.detail);
    o.insert(QStringLiteral("args"), QJsonObject::fromVariantMap(model::argsOf(c)));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<OpsMessage> decodeOps(const QByteArray& payload) {
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    if (!doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    const qint64 seq = o.value(QStringLiteral("seq")).toInteger();
    if (seq < 1 || !o.value(QStringLiteral("args")).isObject()) {
        return std::nullopt;
    }
    const std::optional<model::Change> change = model::changeFrom(
        o.value(QStringLiteral("op")).toString(), o.value(QStringLiteral("slot")).toInt(-1),
        o.value(QStringLiteral("lap")).toInt(), o.value(QStringLiteral("detail")).toString(),
        o.value(QStringLiteral("args")).toObject().toVariantMap());
    if (!change) {
        return std::nullopt;
    }
    return OpsMessage{o.value(QStringLiteral("race")).toInteger(), seq, *change};
}

QByteArray encodeHeard(const HeardMessage& message) {
    QJsonObject o;
    o.insert(QStringLiteral("race"), message.race);
    o.insert(QStringLiteral("slot"), message.slot + 1);
    o.insert(QStringLiteral("message"), message.message);
    o.insert(QStringLiteral("tick"), message.tick ? QJsonValue(*message.tick) : QJsonValue());
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<HeardMessage> decodeHeard(const QByteArray& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    const int slotNo = o.value(QStringLiteral("slot")).toInt();
    const QJsonValue tick = o.value(QStringLiteral("tick"));
    if (slotNo < 1 || slotNo > core::kSlotCount || !o.value(QStringLiteral("message")).isString() ||
        !(tick.isNull() || tick.isDouble())) {
        return std::nullopt;
    }
    HeardMessage m;
    m.race = o.value(QStringLiteral("race")).toInteger();
    m.slot = slotNo - 1;
    m.message = o.value(QStringLiteral("message")).toString();
    if (tick.isDouble()) {
        m.tick = tick.toInt();
    }
    return m;
}

}  // namespace kaltero::relay
