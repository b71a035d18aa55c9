#include "standby/follower.h"

#include "core/relay_settings.h"
#include "model/operations.h"
#include "model/race_model.h"
#include "relay/broker_client.h"

namespace kaltero::standby {

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

bool Follower::start(const relay::BrokerSettings& broker, const QString& source) {
    stop();
    source_ = source.left(core::kMaxConsoleName);
    topics_ = relay::Topics::of(source);
    if (!topics_) {
        refusal_ = u"not a console name: " + source_;
        return false;
    }
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
    client_->subscribe(topics_->ops, 1);
    client_->subscribe(topics_->status, 1);
    client_->subscribe(topics_->heardPrefix + u'+', 1);
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

void Follower::receive(const QString& topic, const QByteArray& payload) {
    if (!topics_) {
        return;
    }
    if (topic == topics_->status) {
        sourceState_ = payload == "online"    ? Source::Online
                       : payload == "offline" ? Source::Offline
                                              : Source::Unknown;
        Q_EMIT changed();
    } else if (topic == topics_->ops) {
        if (const auto message = relay::decodeOps(payload)) {
            mirror_.take(*message);
        }
    } else if (const auto heard = relay::decodeHeard(payload);
               heard && topic == topics_->heard(heard->slot + 1)) {
        takeHeard(*heard);
    }
}

void Follower::takeHeard(const relay::HeardMessage& heard) {
    // Another race's cars, or a race not held whole, are not this race's; a race stopped
    // shows no car's message and has no silence to go on.
    if (heard.race != mirror_.race() || mirror_.state() != Mirror::State::Following ||
        !race_.timing()) {
        return;
    }
    const QString shown = heard.message.left(model::RaceModel::kShownMessageChars);
    for (const model::Change& c : model::lastHeardChanges(heard.slot, shown, heard.tick)) {
        // A message shown already is not shown again: the views and the journal keep still.
        if (c.op != model::Op::MessageReceived || race_.car(heard.slot).InMsg != shown) {
            race_.replay(c);
        }
    }
}

void Follower::takeLap(const model::Change& change) {
    const core::RaceState& st = race_.state();
    const qint32 perSecond = std::max<qint32>(st.TicksPerSecond, 1);
    const qint64 tick = model::recordOf<model::op::LapRecorded>(change)->tick;
    lastLapMs_ = st.RaceStartTime.toMSecsSinceEpoch() + tick * 1000 / perSecond;
    Q_EMIT changed();
}

}  // namespace kaltero::standby
