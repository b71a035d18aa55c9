#include "relay/ops_message.h"

#include "core/slot_state.h"

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
    o.insert(QStringLiteral("args"), QJsonObject::fromVariantMap(c.args));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<OpsMessage> decodeOps(const QByteArray& payload) {
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    if (!doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    const auto op = model::opFromName(o.value(QStringLiteral("op")).toString());
    const qint64 seq = o.value(QStringLiteral("seq")).toInteger();
    if (!op || seq < 1 || !o.value(QStringLiteral("args")).isObject()) {
        return std::nullopt;
    }
    OpsMessage m;
    m.race = o.value(QStringLiteral("race")).toInteger();
    m.seq = seq;
    m.change.op = *op;
    m.change.slot = o.value(QStringLiteral("slot")).toInt(-1);
    m.change.lap = o.value(QStringLiteral("lap")).toInt();
    m.change.detail = o.value(QStringLiteral("detail")).toString();
    m.change.args = o.value(QStringLiteral("args")).toObject().toVariantMap();
    return m;
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
