#pragma once

#include <QAbstractHttpServer>
#include <QList>
#include <QString>
#include <QWebSocketServer>

class QWebSocket;

namespace kaltero::live {

class ClientGate;
class RaceFeed;

// The live timing server: the page, its files and the race as JSON over HTTP, and the race's
// changes pushed to every open page over a WebSocket, all on the console's own event loop.
// Every request must carry the access key (?key=…), else 403 with nothing more. Nothing here
// changes the race: there is no route that writes.
//
// Qt's HTTP server of this version takes a WebSocket upgrade only now and then (and cannot be
// told to refuse one), so an upgrade request is answered here: a wrong key gets 403 like every
// other request, and the right one is handed to a WebSocket server of our own. An upgrade
// Qt takes itself is checked once accepted, and closed at once as a policy violation when its
// key or path is wrong.
class LiveServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    LiveServer(RaceFeed& feed, QString key, QObject* parent = nullptr);
    ~LiveServer() override;

    // Listens on every interface; false when the port cannot be bound.
    bool start(quint16 port);
    quint16 port() const;
    int feedCount() const { return int(feeds_.size()); }

    // A page that has not taken this much of what was sent to it is dropped.
    static constexpr qint64 kMaxUnsentBytes = 8 * 1024 * 1024;
    // The page sends nothing: a feed that sends a message is closed, and no frame may be larger.
    static constexpr quint64 kMaxIncomingBytes = 4 * 1024;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    bool keyMatches(const QString& given) const;
    // Hands the connection of an upgrade request to the feed server, the request put back
    // into it as it came.
    void upgrade(const QHttpServerRequest& request, QTcpSocket* socket);
    void acceptFeeds(QWebSocket* feed);
    void push(const QByteArray& json);
    void drop(QWebSocket* feed);

    RaceFeed& feed_;
    QString key_;
    ClientGate* gate_ = nullptr;
    QWebSocketServer feedServer_;
    QList<QWebSocket*> feeds_;
};

}  // namespace kaltero::live
