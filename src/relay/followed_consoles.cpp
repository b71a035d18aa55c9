#include "relay/followed_consoles.h"

#include "live/live_service.h"
#include "relay/console_topics.h"

namespace kaltero::relay {

using namespace Qt::StringLiterals;

FollowedConsoles::FollowedConsoles(live::LiveService& live, QObject* parent)
    : QObject(parent), live_(live), client_(new BrokerClient) {
    thread_.setObjectName(u"followed"_s);
    client_->moveToThread(&thread_);
    // On the client's thread: each message is handed on, never looked into, here.
    connect(
        client_, &BrokerClient::received, client_,
        [this](const QString& topic, const QByteArray& payload) { onReceived(topic, payload); });
    thread_.start();
}

FollowedConsoles::~FollowedConsoles() {
    QMetaObject::invokeMethod(
        client_,
        [client = client_] {
            client->stop();
            delete client;
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool FollowedConsoles::start(const BrokerSettings& broker, const QStringList& names, QString* why) {
    for (const QString& name : names) {
        if (!isConsoleName(name)) {
            *why = u"not a console name: %1"_s.arg(name);
            return false;
        }
    }
    names_ = names;
    live_.follow(names_);
    bool started = false;
    QMetaObject::invokeMethod(
        client_,
        [&] {
            started = client_->start(broker, why);
            for (const QString& name : std::as_const(names_)) {
                started = started && client_->subscribe(consoleTopic(name, u"race"_s), 0) &&
                          client_->subscribe(consoleTopic(name, u"status"_s), 0);
            }
        },
        Qt::BlockingQueuedConnection);
    return started;
}

void FollowedConsoles::onReceived(const QString& topic, const QByteArray& payload) {
    const QStringList parts = topic.split(u'/');
    if (parts.size() != 3 || !names_.contains(parts[1])) {
        return;
    }
    if (parts[2] == u"race"_s) {
        live_.takeFollowedRace(parts[1], payload);
    } else if (parts[2] == u"status"_s) {
        live_.takeFollowedStatus(parts[1], payload);
    }
}

}  // namespace kaltero::relay
