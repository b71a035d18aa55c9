#include "relay/publisher.h"

#include <QJsonDocument>

namespace kaltero::relay {

using namespace Qt::StringLiterals;

Publisher::Publisher(BrokerSettings broker, Topics topics, QString journalFile)
    : broker_(std::move(broker)), topics_(std::move(topics)), journalFile_(std::move(journalFile)) {
    broker_.willTopic = topics_.status;
    broker_.willPayload = "offline";
    broker_.willRetain = true;
}

void Publisher::begin() {
    client_ = new BrokerClient(this);
    connect(client_, &BrokerClient::connected, this, &Publisher::onConnected);
    connect(client_, &BrokerClient::disconnected, this, [this] {
        for (Pending& p : pending_) {
            p.mid = -1;
        }
        // What the broker may not have taken is said again once it is back.
        heardSent_.clear();
        tellState();
    });
    connect(client_, &BrokerClient::refused, this, [this](const QString& why) {
        refused_ = why;
        tellState();
    });
    connect(client_, &BrokerClient::published, this, &Publisher::onPublished);
    QString why;
    readerOpen_ = reader_.open(journalFile_, &why);
    if (!readerOpen_) {
        qWarning("relay: the journal cannot be read: %s", qUtf8Printable(why));
    }
    if (!client_->start(broker_, &why)) {
        refused_ = why;
    }
    poll_.callOnTimeout(this, &Publisher::pump);
    poll_.start(kPollMs);
    raceTimer_.callOnTimeout(this, &Publisher::publishRace);
    raceTimer_.start(kRaceEveryMs);
    tellState();
}

void Publisher::finish() {
    poll_.stop();
    raceTimer_.stop();
    if (client_ && client_->isConnected()) {
        client_->publish(topics_.status, "offline", 1, true);
    }
    delete client_;  // a clean disconnect: the broker drops the will, the status is said
    client_ = nullptr;
}

void Publisher::onConnected() {
    refused_.clear();
    client_->publish(topics_.status, "online", 1, true);
    raceDue_ = true;
    pump();
}

void Publisher::pump() {
    if (client_ && client_->isConnected() && readerOpen_ && sendOps()) {
        publishHeard();
    }
    tellState();
}

bool Publisher::sendOps() {
    if (!sendPending()) {
        return false;
    }
    while (pending_.size() < size_t(kInFlight)) {
        const QList<OpsMessage> ops = reader_.next(kInFlight - int(pending_.size()));
        if (ops.isEmpty()) {
            return true;
        }
        for (const OpsMessage& m : ops) {
            pending_.push_back({m.seq, encodeOps(m)});
        }
        if (!sendPending()) {
            return false;
        }
    }
    return true;
}

void Publisher::publishHeard() {
    // Behind the race's operations on the same connection: a follower has the race's start
    // before it hears of its cars.
    for (const HeardMessage& h : reader_.heard()) {
        const QByteArray json = encodeHeard(h);
        QByteArray& sent = heardSent_[h.slot];
        if (sent != json && client_->publish(topics_.heard(h.slot + 1), json, 1, true) != -1) {
            sent = json;
        }
    }
}

bool Publisher::sendPending() {
    for (Pending& p : pending_) {
        if (p.mid == -1 && (p.mid = client_->publish(topics_.ops, p.payload, 1, false)) == -1) {
            return false;
        }
    }
    return true;
}

void Publisher::onPublished(int mid) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->mid == mid) {
            pending_.erase(it);
            return;
        }
    }
}

void Publisher::takeDelta(const live::RaceDeltaPtr& delta) {
    store_.apply(*delta);
    raceDue_ = true;
    publishLaps(*delta);
}

void Publisher::publishRace() {
    if (raceDue_ && client_ && client_->publish(topics_.race, store_.raceJson(), 1, true) != -1) {
        raceDue_ = false;
    }
}

void Publisher::publishLaps(const live::RaceDelta& delta) {
    for (int slot = 0; slot < core::kSlotCount; ++slot) {
        for (const auto& [lapNo, lap] : delta.cars[slot].laps) {
            // A lap still being run has no time yet: it is told once it is recorded, and again
            // whenever it is changed.
            if (lap.value(u"ms"_s).isNull()) {
                continue;
            }
            const QByteArray json = QJsonDocument(lap).toJson(QJsonDocument::Compact);
            QByteArray& sent = lapsSent_[(qint64(slot) << 32) + lapNo];
            if (sent != json && client_ &&
                client_->publish(topics_.laps(slot + 1), json, 1, false) != -1) {
                sent = json;
            }
        }
    }
}

void Publisher::tellState() {
    RelayState now;
    now.refused = refused_;
    now.connected = client_ && client_->isConnected();
    now.waiting = qint64(pending_.size()) + (readerOpen_ ? reader_.unread() : 0);
    if (now != told_) {
        told_ = now;
        Q_EMIT stateChanged(told_);
    }
}

}  // namespace kaltero::relay
