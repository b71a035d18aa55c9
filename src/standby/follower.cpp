#include "standby/follower.h"

#include "model/operations.h"
#include "model/race_model.h"
#include "relay/broker_client.h"

#include <QRegularExpression>

namespace kaltero::standby {

namespace {

QString topic(const QString& source, const char* leaf) {
    return u"kaltero/" + source + u'/' + QString::fromLatin1(leaf);
}

}  // namespace

Follower::Follower(model::RaceModel& race, QObject* parent)
    : QObject(parent), race_(race), mirror_(race) {
    connect(&mirror_, &Mirror::applied, this, [this](const model::Change& c) {
        if (c.op == model::Op::LapRecorded) {
            takeLap(c);
        }
    });
    connect(&mirror_, &Mirror::stateChanged, this, &Follower::changed);
}

Follower::~Follower() {
    stop();
}

bool Follower::validName(const QString& name) {
    static const QRegularExpression kName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return kName.match(name).hasMatch();
}

bool Follower::start(const relay::BrokerSettings& broker, const QString& source) {
    stop();
    if (!validName(source)) {
        refusal_ = u"not a console name: " + source.left(64);
        return false;
    }
    source_ = source;
    client_ = std::make_unique<relay::BrokerClient>();
    connect(client_.get(), &relay::BrokerClient::received, this, &Follower::receive);
    connect(client_.get(), &relay::BrokerClient::connected, this, [this] {
        brokerConnected_ = true;
        refusal_.clear();
        Q_EMIT changed();
    });
    connect(client_.get(), &relay::BrokerClient::refused, this, [this](const QString& why) {
        refusal_ = why;
        Q_EMIT changed();
    });
    connect(client_.get(), &relay::BrokerClient::disconnected, this, [this] {
        brokerConnected_ = false;
        Q_EMIT changed();
    });
    // Subscribed before the connection: the client renews them on every connect.
    client_->subscribe(topic(source_, "ops"), 1);
    client_->subscribe(topic(source_, "status"), 1);
    relay::BrokerSettings persistent = broker;
    persistent.cleanSession = false;
    if (!client_->start(persistent, &refusal_)) {
        client_.reset();
        return false;
    }
    return true;
}

void Follower::stop() {
    if (client_) {
        client_->stop();
        client_.reset();
        brokerConnected_ = false;
        Q_EMIT changed();
    }
}

void Follower::receive(const QString& t, const QByteArray& payload) {
    if (t == topic(source_, "status")) {
        sourceState_ = payload == "online"    ? Source::Online
                       : payload == "offline" ? Source::Offline
                                              : Source::Unknown;
        Q_EMIT changed();
    } else if (t == topic(source_, "ops")) {
        if (const auto message = relay::decodeOps(payload)) {
            mirror_.take(*message);
        }
    }
}

void Follower::takeLap(const model::Change& change) {
    const core::RaceState& st = race_.state();
    const qint32 perSecond = std::max<qint32>(st.TicksPerSecond, 1);
    const qint64 tick = model::recordFrom<model::op::LapRecorded>(change.args).tick;
    lastLapMs_ = st.RaceStartTime.toMSecsSinceEpoch() + tick * 1000 / perSecond;
    Q_EMIT changed();
}

}  // namespace kaltero::standby
