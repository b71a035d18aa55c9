#include "live/live_server.h"

#include "live/client_gate.h"
#include "live/race_feed.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>

namespace kaltero::live {

using namespace Qt::StringLiterals;
using Status = QHttpServerResponder::StatusCode;

namespace {

struct PageFile {
    QString path;
    QString resource;
    QByteArray type;
};

const PageFile kPageFiles[] = {
    {u"/"_s, u":/live/index.html"_s, "text/html; charset=utf-8"_ba},
    {u"/index.html"_s, u":/live/index.html"_s, "text/html; charset=utf-8"_ba},
    {u"/live.js"_s, u":/live/live.js"_s, "text/javascript; charset=utf-8"_ba},
    {u"/live.css"_s, u":/live/live.css"_s, "text/css; charset=utf-8"_ba},
};

const QString kRacePath = u"/api/race"_s;
const QString kFeedPath = u"/ws"_s;

QString keyOf(const QUrl& url) {
    return QUrlQuery(url).queryItemValue(u"key"_s, QUrl::FullyDecoded);
}

void answer(QHttpServerResponder&& responder, QHttpServerResponse response) {
    // The key travels in the address: it must not leak to other sites or stay in caches.
    response.addHeader("Cache-Control"_ba, "no-store"_ba);
    response.addHeader("Referrer-Policy"_ba, "no-referrer"_ba);
    response.addHeader("X-Content-Type-Options"_ba, "nosniff"_ba);
    response.write(std::move(responder));
}

}  // namespace

LiveServer::LiveServer(RaceFeed& feed, QString key, QObject* parent)
    : QAbstractHttpServer(parent),
      feed_(feed),
      key_(std::move(key)),
      feedServer_(u"Kaltero"_s, QWebSocketServer::NonSecureMode) {
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (hasPendingWebSocketConnections()) {
            acceptFeeds(nextPendingWebSocketConnection().release());
        }
    });
    connect(&feedServer_, &QWebSocketServer::newConnection, this, [this] {
        while (feedServer_.hasPendingConnections()) {
            acceptFeeds(feedServer_.nextPendingConnection());
        }
    });
    connect(&feed_, &RaceFeed::message, this, &LiveServer::push);
}

LiveServer::~LiveServer() {
    for (QWebSocket* f : std::as_const(feeds_)) {
        f->disconnect(this);
        f->abort();
        delete f;
    }
}

bool LiveServer::start(quint16 port) {
    gate_ = new ClientGate(this);
    if (!gate_->listen(QHostAddress::Any, port)) {
        delete gate_;
        gate_ = nullptr;
        return false;
    }
    bind(gate_);
    return true;
}

quint16 LiveServer::port() const {
    return gate_ ? gate_->serverPort() : 0;
}

bool LiveServer::keyMatches(const QString& given) const {
    // Compared whole, whatever differs first: the answer's timing tells nothing of the key.
    if (given.size() != key_.size() || key_.isEmpty()) {
        return false;
    }
    char16_t diff = 0;
    for (qsizetype i = 0; i < key_.size(); ++i) {
        diff |= char16_t(given[i].toLower().unicode() ^ key_[i].toLower().unicode());
    }
    return diff == 0;
}

bool LiveServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (gate_) {
        gate_->requestDone(socket);
    }
    // A client that asks and never reads its answers is dropped before it fills the console.
    if (socket->bytesToWrite() > kMaxUnsentBytes) {
        socket->abort();
        return true;
    }
    if (!keyMatches(keyOf(request.url()))) {
        answer(makeResponder(request, socket), QHttpServerResponse(Status::Forbidden));
        return true;
    }
    if (request.value("Upgrade"_ba).compare("websocket"_ba, Qt::CaseInsensitive) == 0 &&
        request.method() == QHttpServerRequest::Method::Get &&
        request.url().path(QUrl::FullyDecoded) == kFeedPath) {
        upgrade(request, socket);
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        answer(makeResponder(request, socket), QHttpServerResponse(Status::MethodNotAllowed));
        return true;
    }
    // Paths are matched whole against a fixed list: "/../x" or "/%2e%2e/" names nothing.
    const QString path = request.url().path(QUrl::FullyDecoded);
    if (path == kRacePath) {
        answer(makeResponder(request, socket),
               QHttpServerResponse("application/json; charset=utf-8"_ba, feed_.raceJson()));
        return true;
    }
    for (const PageFile& f : kPageFiles) {
        if (path == f.path) {
            QFile file(f.resource);
            if (!file.open(QIODevice::ReadOnly)) {
                answer(makeResponder(request, socket),
                       QHttpServerResponse(Status::InternalServerError));
                return true;
            }
            answer(makeResponder(request, socket), QHttpServerResponse(f.type, file.readAll()));
            return true;
        }
    }
    answer(makeResponder(request, socket), QHttpServerResponse(Status::NotFound));
    return true;
}

void LiveServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    answer(makeResponder(request, socket), QHttpServerResponse(Status::NotFound));
}

void LiveServer::upgrade(const QHttpServerRequest& request, QTcpSocket* socket) {
    // The HTTP server lets go of the connection; the feed server reads the request again.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    QObject::disconnect(socket, &QTcpSocket::disconnected, nullptr, nullptr);
    if (socket->isTransactionStarted()) {
        socket->rollbackTransaction();
    } else {
        QByteArray head = "GET " +
                          request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) +
                          " HTTP/1.1\r\n";
        for (const auto& [name, value] : request.headers()) {
            head += name + ": " + value + "\r\n";
        }
        head += "\r\n";
        for (qsizetype i = head.size() - 1; i >= 0; --i) {
            socket->ungetChar(head[i]);
        }
    }
    feedServer_.handleConnection(socket);
    Q_EMIT socket->readyRead();
}

void LiveServer::acceptFeeds(QWebSocket* feed) {
    if (!feed) {
        return;
    }
    feed->setParent(this);
    if (gate_) {
        gate_->upgraded(feed->peerAddress(), feed->peerPort());
    }
    feed->setMaxAllowedIncomingFrameSize(kMaxIncomingBytes);
    feed->setMaxAllowedIncomingMessageSize(kMaxIncomingBytes);
    connect(feed, &QWebSocket::disconnected, this, [this, feed] { drop(feed); });
    if (feed->requestUrl().path(QUrl::FullyDecoded) != kFeedPath ||
        !keyMatches(keyOf(feed->requestUrl()))) {
        feed->close(QWebSocketProtocol::CloseCodePolicyViolated);
        return;
    }
    // A page only listens: whatever sends messages is no page.
    const auto refuse = [feed] { feed->close(QWebSocketProtocol::CloseCodePolicyViolated); };
    connect(feed, &QWebSocket::textFrameReceived, feed, refuse);
    connect(feed, &QWebSocket::binaryFrameReceived, feed, refuse);
    feeds_.append(feed);
    feed_.setListening(true);
    feed->sendTextMessage(QString::fromUtf8(feed_.wholeMessage()));
}

void LiveServer::push(const QByteArray& json) {
    if (feeds_.isEmpty()) {
        return;
    }
    const QString text = QString::fromUtf8(json);
    // A copy: dropping a feed changes the list.
    const QList<QWebSocket*> feeds = feeds_;
    for (QWebSocket* f : feeds) {
        if (f->bytesToWrite() > kMaxUnsentBytes) {
            f->abort();
            continue;
        }
        f->sendTextMessage(text);
    }
}

void LiveServer::drop(QWebSocket* feed) {
    feeds_.removeOne(feed);
    feed_.setListening(!feeds_.isEmpty());
    feed->deleteLater();
}

}  // namespace kaltero::live
