#include "relay/followed_consoles.h"

#include "core/relay_settings.h"
#include "live/live_service.h"
#include "relay/topics.h"

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
        if (!core::isConsoleName(name)) {
            *why = u"not a console name: %1"_s.arg(name);
            return false;
        }
    }
    names_ = names;
    // Before the first message can come: the page takes only consoles it follows.
    live_.follow(names_);
    bool started = false;
    QMetaObject::invokeMethod(
        client_,
        [&] {
            started = client_->start(broker, why);
            for (const QString& name : std::as_const(names_)) {
                const std::optional<Topics> topics = Topics::of(name);
                started = started && topics && client_->subscribe(topics->race, 0) &&
                          client_->subscribe(topics->status, 0);
            }
        },
        Qt::BlockingQueuedConnection);
    if (!started) {
        live_.follow({});
    }
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
