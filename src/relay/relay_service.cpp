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

RelayService::RelayService(const model::RaceModel& race, const core::Settings& settings,
                           live::RaceFeed::Moment moment, const QString& journalFile)
    : topics_(Topics::of(settings.relay.consoleName)) {
    if (!topics_) {
        return;
    }
    feed_ = std::make_unique<live::RaceFeed>(race, settings, std::move(moment));
    publisher_ = new Publisher(brokerSettings(settings.relay), *topics_, journalFile);
    publisher_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, publisher_, &QObject::deleteLater);
    connect(feed_.get(), &live::RaceFeed::delta, publisher_, &Publisher::takeDelta);
    connect(publisher_, &Publisher::stateChanged, this, [this](const RelayState& s) {
        state_ = s;
        Q_EMIT stateChanged(s);
    });
    thread_.setObjectName(QStringLiteral("relay"));
    thread_.start();
    QMetaObject::invokeMethod(publisher_, &Publisher::begin, Qt::QueuedConnection);
}

RelayService::~RelayService() {
    if (!publisher_) {
        return;
    }
    QMetaObject::invokeMethod(publisher_, &Publisher::finish, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

}  // namespace kaltero::relay
