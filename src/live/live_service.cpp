#include "live/live_service.h"

#include "live/live_server.h"

namespace kaltero::live {

LiveService::LiveService(RaceFeed& feed, const QString& key) : server_(new LiveServer(key)) {
    thread_.setObjectName(QStringLiteral("live"));
    server_->moveToThread(&thread_);
    // Below the car link: whatever the pages ask costs the console only time it has spare.
    thread_.start(QThread::IdlePriority);
    // Handed over, not called: the server takes each delta on its own thread.
    const auto hand = [server = server_](const RaceDeltaPtr& d) {
        QMetaObject::invokeMethod(
            server, [server, d] { server->apply(d); }, Qt::QueuedConnection);
    };
    fed_ = QObject::connect(&feed, &RaceFeed::delta, server_, hand, Qt::DirectConnection);
    // The server holds the race before its first client, however long the feed has run.
    hand(feed.wholeRace());
}

LiveService::~LiveService() {
    QObject::disconnect(fed_);
    QMetaObject::invokeMethod(
        server_, [server = server_] { delete server; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool LiveService::start(quint16 port) {
    bool started = false;
    QMetaObject::invokeMethod(
        server_,
        [&] {
            started = server_->start(port);
            port_ = server_->port();
        },
        Qt::BlockingQueuedConnection);
    return started;
}

void LiveService::follow(const QStringList& names) {
    QMetaObject::invokeMethod(
        server_, [server = server_, names] { server->follow(names); }, Qt::QueuedConnection);
}

void LiveService::takeFollowedRace(const QString& name, const QByteArray& payload) {
    QMetaObject::invokeMethod(
        server_, [server = server_, name, payload] { server->takeFollowedRace(name, payload); },
        Qt::QueuedConnection);
}

void LiveService::takeFollowedStatus(const QString& name, const QByteArray& payload) {
    QMetaObject::invokeMethod(
        server_, [server = server_, name, payload] { server->takeFollowedStatus(name, payload); },
        Qt::QueuedConnection);
}

void LiveService::onServer(const std::function<void(LiveServer&)>& job) {
    QMetaObject::invokeMethod(
        server_, [&] { job(*server_); }, Qt::BlockingQueuedConnection);
}

}  // namespace kaltero::live
