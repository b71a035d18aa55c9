#include "relay/relay_service.h"

#include <QMetaObject>

namespace kaltero::relay {

BrokerSettings RelayService::brokerSettings(const core::RelaySettings& relay) {
    BrokerSettings b;
    b.host = relay.host;
    b.port = relay.port;
    b.clientId = QStringLiteral("kaltero-") + relay.consoleName + QStringLiteral("-pub");
    b.user = relay.user;
    b.password = relay.password;
    b.tls = relay.tls;
    b.caFile = relay.caFile;
    return b;
}

RelayService::RelayService(live::RaceFeed& feed, const core::Settings& settings,
                           const QString& journalFile)
    : topics_(Topics::of(settings.relay.consoleName)) {
    if (!topics_) {
        return;
    }
    publisher_ = new Publisher(brokerSettings(settings.relay), *topics_, journalFile);
    publisher_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, publisher_, &QObject::deleteLater);
    fed_ = connect(&feed, &live::RaceFeed::delta, publisher_, &Publisher::takeDelta);
    connect(publisher_, &Publisher::stateChanged, this, [this](const RelayState& s) {
        state_ = s;
        Q_EMIT stateChanged(s);
    });
    thread_.setObjectName(QStringLiteral("relay"));
    thread_.start();
    QMetaObject::invokeMethod(publisher_, &Publisher::begin, Qt::QueuedConnection);
    // The feed may have run for a while (the live page's): the race so far, whole, comes first.
    QMetaObject::invokeMethod(
        publisher_, [p = publisher_, d = feed.wholeRace()] { p->takeDelta(d); },
        Qt::QueuedConnection);
}

void RelayService::journalWritten() {
    if (publisher_) {
        QMetaObject::invokeMethod(publisher_, &Publisher::pump, Qt::QueuedConnection);
    }
}

RelayService::~RelayService() {
    if (!publisher_) {
        return;
    }
    disconnect(fed_);
    QMetaObject::invokeMethod(publisher_, &Publisher::finish, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

}  // namespace kaltero::relay
