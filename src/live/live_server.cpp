#include "live/live_server.h"

#include "live/client_gate.h"

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
const QString kLapsPath = u"/api/laps"_s;
const QString kConsolesPath = u"/api/consoles"_s;
const QString kFeedPath = u"/ws"_s;

}  // namespace

LiveServer::LiveServer(QString key, QObject* parent)
    : QAbstractHttpServer(parent),
      key_(std::move(key)),
      feedServer_(u"Kaltero"_s, QWebSocketServer::NonSecureMode, this),
      followedPush_(this) {
    // Qt's own WebSocket server is left unconnected: it never takes a connection.
    connect(&feedServer_, &QWebSocketServer::newConnection, this, [this] {
        while (feedServer_.hasPendingConnections()) {
            acceptFeeds(feedServer_.nextPendingConnection());
        }
    });
    followedPush_.setSingleShot(true);
    followedPush_.setInterval(kFollowedPushMs);
    connect(&followedPush_, &QTimer::timeout, this, &LiveServer::pushFollowed);
}

LiveServer::~LiveServer() {
    for (const Feed& f : std::as_const(feeds_)) {
        f.page->disconnect(this);
        f.page->abort();
        delete f.page;
    }
}

bool LiveServer::start(quint16 port) {
    gate_ = new ClientGate(
        key_,
        [this](QTcpSocket* socket, const HttpHead& head, const QByteArray& received) {
            return upgrade(socket, head, received);
        },
        this);
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

void LiveServer::answer(const QHttpServerRequest& request, QTcpSocket* socket,
                        QHttpServerResponse response) {
    for (const auto& [name, value] : guardHeaders()) {
        response.addHeader(name, value);
    }
    if (gate_ && gate_->closesAfterAnswer(socket)) {
        response.addHeader("Connection"_ba, "close"_ba);
    }
    // Room for the body and its head, or the client that holds too much is gone.
    if (gate_ && !gate_->room(socket, response.data().size() + 1024)) {
        return;
    }
    response.write(makeResponder(request, socket));
}

bool LiveServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // Only keyed GET requests without a body come this far (ClientGate).
    // Paths are matched whole against a fixed list: "/../x" or "/%2e%2e/" names nothing.
    const QString path = request.url().path(QUrl::FullyDecoded);
    if (path == kRacePath) {
        answer(request, socket,
               QHttpServerResponse("application/json; charset=utf-8"_ba, race_.raceJson()));
        return true;
    }
    if (path == kConsolesPath) {
        answer(request, socket,
               QHttpServerResponse("application/json; charset=utf-8"_ba, followed_.consolesJson()));
        return true;
    }
    if (path == kLapsPath) {
        answer(request, socket, lapsPage(request));
        return true;
    }
    for (const PageFile& f : kPageFiles) {
        if (path != f.path) {
            continue;
        }
        // The page opened from its address with the key: the key goes into a cookie and out of
        // the address bar (and the browser's history).
        if (f.path == u"/"_s || f.path == u"/index.html"_s) {
            if (QUrlQuery(request.url()).hasQueryItem(u"key"_s)) {
                QHttpServerResponse seeOther(Status::SeeOther);
                seeOther.addHeader("Location"_ba, f.path.toUtf8());
                seeOther.addHeader("Set-Cookie"_ba, keyCookie(key_));
                answer(request, socket, std::move(seeOther));
                return true;
            }
        }
        // Read once: every answer shares the same bytes.
        QByteArray& body = files_[f.resource];
        if (body.isEmpty()) {
            QFile file(f.resource);
            if (!file.open(QIODevice::ReadOnly)) {
                answer(request, socket, QHttpServerResponse(Status::InternalServerError));
                return true;
            }
            body = file.readAll();
        }
        answer(request, socket, QHttpServerResponse(f.type, body));
        return true;
    }
    answer(request, socket, QHttpServerResponse(Status::NotFound));
    return true;
}

QHttpServerResponse LiveServer::lapsPage(const QHttpServerRequest& request) {
    const QUrlQuery query(request.url());
    bool carOk = false;
    bool fromOk = false;
    const int car = query.queryItemValue(u"car"_s).toInt(&carOk);
    const int from = query.queryItemValue(u"from"_s).toInt(&fromOk);
    if (!carOk || !fromOk || from < 1) {
        return QHttpServerResponse(Status::BadRequest);
    }
    const std::optional<QByteArray> page = race_.lapsPage(car, from);
    if (!page) {
        return QHttpServerResponse(Status::NotFound);
    }
    return QHttpServerResponse("application/json; charset=utf-8"_ba, *page);
}

void LiveServer::apply(const RaceDeltaPtr& delta) {
    race_.apply(*delta);
    if (!feeds_.isEmpty()) {
        push(delta->whole ? race_.wholeMessage() : race_.updateMessage(*delta));
    }
}

void LiveServer::follow(const QStringList& names) {
    followed_.follow(names);
}

void LiveServer::takeFollowedRace(const QString& name, const QByteArray& payload) {
    if (followed_.takeRace(name, payload)) {
        followedNews(name);
    }
}

void LiveServer::takeFollowedStatus(const QString& name, const QByteArray& payload) {
    if (followed_.takeStatus(name, payload)) {
        followedNews(name);
    }
}

void LiveServer::followedNews(const QString& name) {
    followedNews_.insert(name);
    if (!followedPush_.isActive()) {
        followedPush_.start();
    }
}

void LiveServer::pushFollowed() {
    for (const QString& name : followed_.names()) {
        if (followedNews_.contains(name)) {
            push(followed_.consoleMessage(name));
        }
    }
    followedNews_.clear();
}

void LiveServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    answer(request, socket, QHttpServerResponse(Status::NotFound));
}

int LiveServer::upgrade(QTcpSocket* socket, const HttpHead& head, const QByteArray& received) {
    const qsizetype question = head.target.indexOf('?');
    const QString path =
        QUrl::fromPercentEncoding(question < 0 ? head.target : head.target.left(question));
    if (path != kFeedPath) {
        return 404;
    }
    if (head.value("Upgrade").compare("websocket", Qt::CaseInsensitive) != 0) {
        return 400;
    }
    // Qt's HTTP server never had this connection; the feed server reads the request again.
    for (qsizetype i = received.size() - 1; i >= 0; --i) {
        socket->ungetChar(received[i]);
    }
    upgrading_.removeAll(nullptr);
    upgrading_.append(socket);
    feedServer_.handleConnection(socket);
    Q_EMIT socket->readyRead();
    return 0;
}

void LiveServer::acceptFeeds(QWebSocket* page) {
    if (!page) {
        return;
    }
    page->setParent(this);
    QPointer<QTcpSocket> connection;
    for (const QPointer<QTcpSocket>& s : std::as_const(upgrading_)) {
        if (s && s->peerPort() == page->peerPort() && s->peerAddress() == page->peerAddress()) {
            connection = s;
        }
    }
    upgrading_.removeAll(connection);
    // What a page sends (pongs, its close) is read and answered by the gate, never here.
    connect(page, &QWebSocket::disconnected, this, [this, page] { drop(page); });
    feeds_.append({page, connection});
    const QByteArray whole = race_.wholeMessage();
    if (connection && gate_ && !gate_->room(connection, whole.size() + 16)) {
        return;
    }
    page->sendTextMessage(QString::fromUtf8(whole));
    for (const QString& name : followed_.names()) {
        const QByteArray news = followed_.consoleMessage(name);
        if (connection && gate_ && !gate_->room(connection, news.size() + 16)) {
            return;
        }
        page->sendTextMessage(QString::fromUtf8(news));
    }
}

void LiveServer::push(const QByteArray& json) {
    if (feeds_.isEmpty()) {
        return;
    }
    const QString text = QString::fromUtf8(json);
    // A copy: dropping a feed changes the list.
    const QList<Feed> feeds = feeds_;
    for (const Feed& f : feeds) {
        // Each write is checked: a page that does not read is dropped, not fed.
        const bool fits = f.connection
                              ? !gate_ || gate_->room(f.connection, json.size() + 16)
                              : f.page->bytesToWrite() + json.size() <= ClientGate::kMaxUnsentBytes;
        if (!fits) {
            f.page->abort();
            continue;
        }
        f.page->sendTextMessage(text);
    }
}

void LiveServer::drop(QWebSocket* page) {
    feeds_.removeIf([page](const Feed& f) { return f.page == page; });
    page->deleteLater();
}

}  // namespace kaltero::live
