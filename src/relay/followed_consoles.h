#pragma once

#include "relay/broker_client.h"

#include <QObject>
#include <QStringList>
#include <QThread>

namespace kaltero::live {
class LiveService;
}

namespace kaltero::relay {

// The other consoles whose races this console's live page shows beside its own: subscribes to
// each one's retained race object and state (kaltero/<name>/race, kaltero/<name>/status) on a
// connection and thread of its own, and hands what comes to the live page as it is; the page
// checks it. A name that is not a console name is refused before anything is subscribed.
class FollowedConsoles : public QObject {
    Q_OBJECT

public:
    explicit FollowedConsoles(live::LiveService& live, QObject* parent = nullptr);
    ~FollowedConsoles() override;

    // False, and `why` says, when a name is no console name or the broker settings are refused.
    bool start(const BrokerSettings& broker, const QStringList& names, QString* why);

private:
    void onReceived(const QString& topic, const QByteArray& payload);

    live::LiveService& live_;
    QStringList names_;
    QThread thread_;
    BrokerClient* client_ = nullptr;
};

}  // namespace kaltero::relay
