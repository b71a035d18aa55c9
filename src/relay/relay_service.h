#pragma once

#include "core/settings.h"
#include "live/race_feed.h"
#include "relay/publisher.h"

#include <QObject>
#include <QThread>
#include <memory>

namespace kaltero::relay {

// Publishing as the console runs it: the publisher and its broker connection on a thread of
// their own, so that nothing on the car link's thread waits for the broker or the journal's
// reader. The race goes over as the deltas of the race feed the live page shares; the
// operations are read from the journal's file.
class RelayService : public QObject {
    Q_OBJECT

public:
    // Nothing runs while the settings name no usable console name: `refusedName` is told.
    // `feed` may have other listeners and outlives the service.
    RelayService(live::RaceFeed& feed, const core::Settings& settings, const QString& journalFile);
    ~RelayService() override;

    bool running() const { return publisher_ != nullptr; }
    const std::optional<Topics>& topics() const { return topics_; }
    RelayState state() const { return state_; }
    static BrokerSettings brokerSettings(const core::RelaySettings& relay);
    // The journal wrote more: published now rather than at the next poll.
    void journalWritten();

Q_SIGNALS:
    void stateChanged(const kaltero::relay::RelayState& state);

private:
    std::optional<Topics> topics_;
    QMetaObject::Connection fed_;
    QThread thread_;
    Publisher* publisher_ = nullptr;
    RelayState state_;
};

}  // namespace kaltero::relay
