#include "live/live_service.h"

#include "live/live_server.h"

namespace kaltero::live {

LiveService::LiveService(const model::RaceModel& race, const core::Settings& settings,
                         RaceFeed::Moment moment, const QString& key)
    : feed_(race, settings, std::move(moment)), server_(new LiveServer(key)) {
    thread_.setObjectName(QStringLiteral("live"));
    server_->moveToThread(&thread_);
    // Below the car link: whatever the pages ask costs the console only time it has spare.
    thread_.start(QThread::IdlePriority);
    // Handed over, not called: the server takes each delta on its own thread.
    QObject::connect(
        &feed_, &RaceFeed::delta, server_,
        [server = server_](const RaceDeltaPtr& d) {
            QMetaObject::invokeMethod(
                server, [server, d] { server->apply(d); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    feed_.flush();
}

LiveService::~LiveService() {
    feed_.disconnect();
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
