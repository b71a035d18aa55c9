#pragma once

#include "live/race_feed.h"

#include <QThread>
#include <functional>

namespace kaltero::live {

class LiveServer;

// The live page as the console runs it: the server and every client on a thread of their own
// with its own event loop, as the journal has, so that a browser, a stranger or a slow network
// never holds the car link. The race goes over as the feed's deltas; the server never reads
// the race across threads.
class LiveService {
public:
    // Follows the race through `feed`, which may have other listeners and outlives the service.
    LiveService(RaceFeed& feed, const QString& key);
    ~LiveService();
    LiveService(const LiveService&) = delete;
    LiveService& operator=(const LiveService&) = delete;

    // Listens on every interface; false when the port cannot be bound.
    bool start(quint16 port);
    quint16 port() const { return port_; }

    // The other consoles whose races the page shows beside this one's, and what came from
    // them (LiveServer::follow, takeFollowedRace, takeFollowedStatus); callable from any
    // thread: the server takes each on its own.
    void follow(const QStringList& names);
    void takeFollowedRace(const QString& name, const QByteArray& payload);
    void takeFollowedStatus(const QString& name, const QByteArray& payload);

    // Runs `job` with the server on its own thread and waits for it (tests and benchmarks
    // looking in).
    void onServer(const std::function<void(LiveServer&)>& job);

private:
    QMetaObject::Connection fed_;
    QThread thread_;
    LiveServer* server_ = nullptr;
    quint16 port_ = 0;
};

}  // namespace kaltero::live
