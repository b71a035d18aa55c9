#pragma once

#include "relay/topics.h"
#include "standby/mirror.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::relay {
class BrokerClient;
struct BrokerSettings;
}  // namespace kaltero::relay

namespace kaltero::standby {

// This console standing by for another one: its operations from the broker rebuilt into this
// console's race (a persistent session, so what is published while this console is away comes
// when it is back), with each car's last message and report, so that after a take-over a car's
// silence counts from its last report to the source; and what the operator needs to decide on a
// take-over: whether the source is online, whether the broker is reached, when its last lap was
// driven.
class Follower : public QObject {
    Q_OBJECT

public:
    // The source's own word on its state (its retained status, "offline" its last will).
    enum class Source { Unknown, Online, Offline };

    explicit Follower(model::RaceModel& race, QObject* parent = nullptr);
    ~Follower() override;

    // Follows the console named `source` (letters, digits, '-', '_'; anything else is refused,
    // never put into a topic) through the broker, under a stable client id of this console's.
    // False when it cannot (refusal() says why).
    bool start(const relay::BrokerSettings& broker, const QString& source);
    // Follows no more: the operations published from now on are not this console's any more.
    void stop();
    bool following() const { return client_ != nullptr; }

    // A message the broker delivered on one of the source's topics.
    void receive(const QString& topic, const QByteArray& payload);

    const Mirror& mirror() const { return mirror_; }
    const QString& source() const { return source_; }
    Source sourceState() const { return sourceState_; }
    bool brokerConnected() const { return brokerConnected_; }
    // Why the broker refused this console (user, password, TLS), or following could not start;
    // empty while neither.
    const QString& refusal() const { return refusal_; }
    // When the last lap received was driven (ms since the epoch, by the source's race start and
    // the lap's end tick); none before the first.
    std::optional<qint64> lastLapMs() const { return lastLapMs_; }

Q_SIGNALS:
    // Anything shown of the standby changed.
    void changed();

private:
    void takeLap(const model::Change& change);
    void takeHeard(const relay::HeardMessage& heard);

    model::RaceModel& race_;
    Mirror mirror_;
    std::unique_ptr<relay::BrokerClient> client_;
    QString source_;
    std::optional<relay::Topics> topics_;
    Source sourceState_ = Source::Unknown;
    bool brokerConnected_ = false;
    QString refusal_;
    std::optional<qint64> lastLapMs_;
};

}  // namespace kaltero::standby
