#pragma once

#include "live/followed_races.h"
#include "live/http_head.h"
#include "live/race_store.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHttpServerResponse>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QWebSocketServer>

class QWebSocket;

namespace kaltero::live {

class ClientGate;

// The live timing server: the page, its files and the race as JSON over HTTP, and the race's
// changes pushed to every open page over a WebSocket. It holds the race as the deltas the
// console sends it (apply), never the race itself, so it runs on a thread of its own
// (LiveService) where no client can hold the car link. Nothing here changes the race: there is
// no route that writes.
//
// Every byte a client sends passes the ClientGate first: it checks the key (?key=… or the
// page's cookie) before anything else, keeps connections, time, reads and unsent bytes within
// bounds, and hands Qt's HTTP server (which parses and answers) one keyed request at a time.
// Qt's server of this version would take a WebSocket upgrade itself, before any check, so it
// never sees one: a keyed upgrade from the page's own origin goes to a WebSocket server of ours.
// A first visit to the page with ?key= is answered with the key as an HttpOnly cookie and a
// redirect to the same page without it, so that the key leaves the address bar.
class LiveServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    explicit LiveServer(QString key, QObject* parent = nullptr);
    ~LiveServer() override;

    // Listens on every interface; false when the port cannot be bound.
    bool start(quint16 port);
    quint16 port() const;
    int feedCount() const { return int(feeds_.size()); }
    // The accept layer in front of the server; null until start() succeeded.
    ClientGate* gate() const { return gate_; }

    // The race moves on: held, and its change sent to every open page.
    void apply(const kaltero::live::RaceDeltaPtr& delta);

    // The other consoles whose races are shown beside this one's (/api/consoles, and on the
    // feed as "console" messages), in this order.
    void follow(const QStringList& names);
    // A followed console's race object, or its state ("online"/"offline"), as it came; what is
    // not one is ignored. Open pages get each console's news at most every kFollowedPushMs.
    void takeFollowedRace(const QString& name, const QByteArray& payload);
    void takeFollowedStatus(const QString& name, const QByteArray& payload);
    static constexpr int kFollowedPushMs = 500;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    // Hands the connection of a keyed upgrade to the feed server, what was received put back
    // into it as it came; 0, or the status that refuses it.
    int upgrade(QTcpSocket* socket, const HttpHead& head, const QByteArray& received);
    void answer(const QHttpServerRequest& request, QTcpSocket* socket,
                QHttpServerResponse response);
    void acceptFeeds(QWebSocket* feed);
    void push(const QByteArray& json);
    QHttpServerResponse lapsPage(const QHttpServerRequest& request);
    void drop(QWebSocket* feed);
    // Pushed with the next round of followed consoles' news.
    void followedNews(const QString& name);
    void pushFollowed();

    RaceStore race_;
    QString key_;
    ClientGate* gate_ = nullptr;
    QWebSocketServer feedServer_;
    struct Feed {
        QWebSocket* page = nullptr;
        QPointer<QTcpSocket> connection;
    };
    QList<Feed> feeds_;
    QList<QPointer<QTcpSocket>> upgrading_;  // handed to the feed server, handshake not done
    QHash<QString, QByteArray> files_;       // the page's files, by resource
    FollowedRaces followed_;
    QSet<QString> followedNews_;  // consoles with news not yet pushed
    QTimer followedPush_;
};

}  // namespace kaltero::live
