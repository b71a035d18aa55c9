#include "live/client_gate.h"
#include "live/live_server.h"
#include "live/live_service.h"
#include "live/race_feed.h"
#include "live/race_store.h"
#include "live_client.h"
#include "model/race_model.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;
using kaltero::core::Lap;
using kaltero::core::Settings;
using kaltero::live::LiveServer;
using kaltero::live::LiveService;
using kaltero::live::RaceFeed;
using kaltero::live::RaceMoment;
using kaltero::live::RaceStore;
using kaltero::model::Figures;
using kaltero::model::RaceModel;
using kaltero::testing::exchange;
using kaltero::testing::Feed;
using kaltero::testing::get;
using kaltero::testing::turnUntil;

namespace {

const QString kKey = u"00112233445566778899aabbccddeeff"_s;
const QString kWrongKey = u"00112233445566778899aabbccddeef0"_s;

Lap timedLap(qint32 ticks, qint32 endTick) {
    Lap lap;
    lap.timed = true;
    lap.ticks = ticks;
    lap.endTick = endTick;
    return lap;
}

// Warnings Qt logs while a test runs: a server that misuses a socket says so only there.
QStringList gWarnings;
QtMessageHandler gPreviousHandler = nullptr;
void keepWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        gWarnings << text;
    }
    gPreviousHandler(type, context, text);
}

// The answers read off one connection, in the order they came.
QList<kaltero::testing::HttpReply> splitAnswers(QByteArray bytes) {
    QList<kaltero::testing::HttpReply> replies;
    for (qsizetype end = bytes.indexOf("\r\n\r\n"); end >= 0; end = bytes.indexOf("\r\n\r\n")) {
        kaltero::testing::HttpReply r;
        r.head = bytes.left(end);
        r.status = bytes.mid(9, 3).toInt();
        const qsizetype length = r.header("Content-Length").toLongLong();
        if (bytes.size() < end + 4 + length) {
            break;
        }
        r.body = bytes.mid(end + 4, length);
        bytes.remove(0, end + 4 + length);
        replies << r;
    }
    return replies;
}

// A masked frame as a page sends it, or an unmasked one as no client may.
QByteArray clientFrame(quint8 first, const QByteArray& payload, bool masked = true) {
    QByteArray f(1, char(first));
    f += char((masked ? 0x80 : 0) | payload.size());
    const QByteArray key("\x11\x22\x33\x44", 4);
    if (masked) {
        f += key;
    }
    for (qsizetype i = 0; i < payload.size(); ++i) {
        f += masked ? char(payload[i] ^ key[i % 4]) : payload[i];
    }
    return f;
}

QHostAddress loopback(int n) {
    return QHostAddress(u"127.0.0.%1"_s.arg(n));
}

// `count` connections that never send a byte, as many from each address as it may open, from
// 127.0.0.<from> on; each accepted before this returns.
std::vector<std::unique_ptr<QTcpSocket>> squat(quint16 port, int count, int from) {
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < count; ++i) {
        auto s = std::make_unique<QTcpSocket>();
        s->bind(loopback(from + i / kaltero::live::ClientGate::kMaxPerAddress));
        s->connectToHost(u"127.0.0.1"_s, port);
        held.push_back(std::move(s));
    }
    // Long enough for the server to take every one of them in the order they came.
    turnUntil([] { return false; }, 100);
    return held;
}

int stillOpen(const std::vector<std::unique_ptr<QTcpSocket>>& held) {
    return int(std::count_if(held.begin(), held.end(), [](const auto& s) {
        return s->state() == QAbstractSocket::ConnectedState;
    }));
}

QStringList keysOf(const QJsonObject& o) {
    QStringList keys = o.keys();
    keys.sort();
    return keys;
}

}  // namespace

class TestLiveServer : public QObject {
    Q_OBJECT

    RaceModel* race_ = nullptr;
    Settings settings_;
    RaceFeed* feed_ = nullptr;
    LiveServer* server_ = nullptr;

    quint16 port() const { return server_->port(); }
    QUrl feedUrl(const QString& pathAndQuery) const {
        return QUrl(u"ws://127.0.0.1:%1"_s.arg(port()) + pathAndQuery);
    }

private Q_SLOTS:
    void init() {
        race_ = new RaceModel;
        feed_ = new RaceFeed(*race_, settings_, [] {
            return RaceMoment{QDateTime::currentMSecsSinceEpoch(), 0};
        });
        server_ = new LiveServer(kKey);
        connect(feed_, &RaceFeed::delta, server_, &LiveServer::apply);
        QVERIFY(server_->start(0));
        race_->setAddress(0, u"10.0.0.1"_s, true);
        race_->start(QDateTime::currentDateTimeUtc(), std::nullopt);
        // The Start has gone out before a test's page connects.
        turnUntil([] { return false; }, 3 * RaceFeed::kCoalesceMs);
    }
    void cleanup() {
        delete server_;
        delete feed_;
        delete race_;
    }

    // Every route answers only to the key, given whole in the address or in the page's cookie;
    // a wrong or missing one gets 403, nothing else, and the end of the connection.
    void access_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("type");  // of a 200; where a 303 sends the browser
        const auto row = [](const QString& name, const char* method, const QString& target,
                            int status, const QString& type = {}, const QByteArray& headers = {}) {
            QTest::newRow(qPrintable(name))
                << QByteArray(method) + ' ' + target.toUtf8() +
                       " HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n" + headers + "\r\n"
                << status << type;
        };
        const QString routes[] = {u"/"_s,         u"/index.html"_s,   u"/live.js"_s, u"/live.css"_s,
                                  u"/api/race"_s, u"/api/consoles"_s, u"/ws"_s,      u"/nothing"_s};
        for (const QString& r : routes) {
            row(r + u" no key"_s, "GET", r, 403);
            row(r + u" empty key"_s, "GET", r + u"?key="_s, 403);
            row(r + u" wrong key"_s, "GET", r + u"?key="_s + kWrongKey, 403);
            row(r + u" key cut short"_s, "GET", r + u"?key="_s + kKey.left(31), 403);
        }
        const QString k = u"?key="_s + kKey;
        const QByteArray cookie = "Cookie: kaltero_key=" + kKey.toUtf8() + "\r\n";
        row(u"key and more"_s, "GET", u"/api/race"_s + k + u"0"_s, 403);
        row(u"key and a space"_s, "GET", u"/api/race"_s + k + u"%20"_s, 403);
        row(u"key twice"_s, "GET", u"/api/race"_s + k + u"&"_s + k.mid(1), 403);
        row(u"wrong key beside the cookie"_s, "GET", u"/api/race?key="_s + kWrongKey, 403, {},
            cookie);
        row(u"cookie and more"_s, "GET", u"/api/race"_s, 403, {},
            "Cookie: kaltero_key=" + kKey.toUtf8() + "0\r\n");
        row(u"page: key to cookie"_s, "GET", u"/"_s + k, 303, u"/"_s);
        row(u"page by name: key to cookie"_s, "GET", u"/index.html"_s + k, 303, u"/index.html"_s);
        row(u"page by cookie"_s, "GET", u"/"_s, 200, u"text/html; charset=utf-8"_s, cookie);
        row(u"script"_s, "GET", u"/live.js"_s + k, 200, u"text/javascript; charset=utf-8"_s);
        row(u"style by cookie"_s, "GET", u"/live.css"_s, 200, u"text/css; charset=utf-8"_s, cookie);
        row(u"race"_s, "GET", u"/api/race"_s + k, 200, u"application/json; charset=utf-8"_s);
        row(u"race by cookie"_s, "GET", u"/api/race"_s, 200, u"application/json; charset=utf-8"_s,
            "Cookie: a=1; kaltero_key=" + kKey.toUtf8() + "; b=2\r\n");
        row(u"followed consoles"_s, "GET", u"/api/consoles"_s + k, 200,
            u"application/json; charset=utf-8"_s);
        row(u"unknown path"_s, "GET", u"/nothing"_s + k, 404);
        row(u"feed without upgrade"_s, "GET", u"/ws"_s + k, 404);
        row(u"dot dot"_s, "GET", u"/../live.js"_s + k, 404);
        row(u"encoded dot dot"_s, "GET", u"/%2e%2e/live.js"_s + k, 404);
        row(u"resource path"_s, "GET", u"/:/live/live.js"_s + k, 404);
        row(u"file beside"_s, "GET", u"/live.js/../../Kaltero.ini"_s + k, 404);
        row(u"no writes"_s, "POST", u"/api/race"_s + k, 405);
        row(u"no writes, no key"_s, "PUT", u"/api/race"_s, 403);
    }
    void access() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QString, type);
        const auto reply = exchange(port(), request);
        QCOMPARE(reply.status, status);
        // No other site may frame the page or run script in it, refusals included.
        QCOMPARE(reply.header("X-Frame-Options"), "DENY"_ba);
        QVERIFY(reply.header("Content-Security-Policy")
                    .startsWith("default-src 'self'; connect-src 'self'; frame-ancestors 'none'"));
        if (status == 200) {
            QCOMPARE(QString::fromUtf8(reply.header("Content-Type")), type);
            QVERIFY(!reply.body.isEmpty());
            return;
        }
        QVERIFY(reply.body.isEmpty());
        if (status == 303) {
            QCOMPARE(QString::fromUtf8(reply.header("Location")), type);
            const QByteArray cookie = reply.header("Set-Cookie");
            QVERIFY2(cookie.startsWith(QByteArray("kaltero_key=" + kKey.toUtf8() + ';')) &&
                         cookie.contains("HttpOnly") && cookie.contains("SameSite=Strict"),
                     cookie.constData());
        }
        if (status == 403 || status == 405) {
            QVERIFY(reply.closed);
        }
    }

    // A browser or a script may send its requests without waiting for the answers: each is
    // answered once, in the order asked, and the server misuses no socket on the way.
    void pipelinedRequestsAreAnsweredInOrder() {
        gWarnings.clear();
        gPreviousHandler = qInstallMessageHandler(keepWarnings);
        // More of the script than the server lets wait unsent, so that some requests wait.
        const QString paths[] = {u"/live.js"_s,  u"/live.js"_s, u"/live.js"_s,
                                 u"/live.css"_s, u"/live.js"_s, u"/nothing"_s};
        QList<QByteArray> requests;
        QList<int> expected;
        // More than a second's answers: those past the budget wait their turn, none is lost.
        constexpr int kRequests = kaltero::live::ClientGate::kAnswersPerSecond + 10;
        for (int i = 0; i < kRequests; ++i) {
            const QString& path = paths[i % std::size(paths)];
            requests << get(path + u"?key="_s + kKey);
            expected << (path == u"/nothing"_s ? 404 : 200);
        }
        QTcpSocket client;
        client.connectToHost(u"127.0.0.1"_s, port());
        QVERIFY(turnUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }, 3000));
        // As a script sends them: one write each, the server taking them as they come.
        for (const QByteArray& request : requests) {
            client.write(request);
            client.flush();
        }
        QByteArray got;
        QElapsedTimer waited;
        waited.start();
        turnUntil(
            [&] {
                got += client.readAll();
                return splitAnswers(got).size() >= kRequests;
            },
            5000);
        QVERIFY2(waited.elapsed() >= 900, "one client got more than its second's answers");
        // Nothing more comes after the last.
        turnUntil([] { return false; }, 200);
        got += client.readAll();
        qInstallMessageHandler(gPreviousHandler);
        const auto replies = splitAnswers(got);
        QList<int> statuses;
        for (const auto& r : replies) {
            statuses << r.status;
        }
        QCOMPARE(statuses, expected);
        for (int i = 0; i < replies.size(); ++i) {
            const QString& path = paths[i % std::size(paths)];
            if (path != u"/nothing"_s) {
                QCOMPARE(replies[i]
                             .header("Content-Type")
                             .startsWith(path == u"/live.js"_s ? "text/javascript" : "text/css"),
                         true);
            }
        }
        QVERIFY2(gWarnings.isEmpty(), qPrintable(gWarnings.join(u'\n')));
        QCOMPARE(client.state(), QAbstractSocket::ConnectedState);
    }

    // A team member's connection has its grace time to show the key: new connections without
    // it, from ever new addresses, do not push it out first.
    void newConnectionGetsTimeToShowItsKey() {
        using kaltero::live::ClientGate;
        auto old = squat(port(), ClientGate::kMaxClients - ClientGate::kKeyedReserve, 10);
        turnUntil([] { return false; }, ClientGate::kGraceMs + 100);
        QTcpSocket team;
        team.connectToHost(u"127.0.0.1"_s, port());
        QVERIFY(turnUntil([&] { return team.state() == QAbstractSocket::ConnectedState; }, 3000));
        turnUntil([] { return false; }, 20);
        // Enough to push out every older connection and then some.
        auto churn = squat(port(), ClientGate::kMaxClients, 30);
        QCOMPARE(stillOpen(old), 0);
        team.write(get(u"/live.css?key="_s + kKey));
        QByteArray got;
        turnUntil(
            [&] {
                got += team.readAll();
                return splitAnswers(got).size() == 1 ||
                       team.state() != QAbstractSocket::ConnectedState;
            },
            3000);
        QCOMPARE(splitAnswers(got).value(0).status, 200);
    }

    // An address full of connections without the key (a NAT shared with squatters) still lets
    // a team member in: the squatters give way.
    void teamGetsInPastSquattersOfItsAddress() {
        using kaltero::live::ClientGate;
        auto squatters = squat(port(), ClientGate::kMaxPerAddress, 5);
        turnUntil([] { return false; }, ClientGate::kGraceMs + 100);
        for (int i = 0; i < 2 * ClientGate::kMaxPerAddress; ++i) {
            const auto reply = exchange(port(), get(u"/live.css?key="_s + kKey), 3000, loopback(5));
            QCOMPARE(reply.status, 200);
        }
    }

    // Keyed connections holding every place do not lock the team out: the one idle longest
    // gives way. Page feeds are bounded too, the oldest making room for a new page.
    void keyedConnectionsGiveWay() {
        using kaltero::live::ClientGate;
        server_->gate()->setMaxPerAddress(ClientGate::kMaxClients);
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < ClientGate::kMaxClients; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(u"127.0.0.1"_s, port());
            s->write(get(u"/live.css?key="_s + kKey));
            QVERIFY(turnUntil([&] { return s->bytesAvailable() > 0; }, 3000));
            held.push_back(std::move(s));
        }
        QCOMPARE(server_->gate()->openCount(), ClientGate::kMaxClients);
        turnUntil([] { return false; }, ClientGate::kGraceMs + 100);
        QCOMPARE(exchange(port(), get(u"/live.css?key="_s + kKey)).status, 200);
        QCOMPARE(stillOpen(held), ClientGate::kMaxClients - 1);
    }
    // At the bound, the address holding the most feeds gives up its oldest: a team page from
    // another address stays.
    void feedsAreBoundedPerKey() {
        using kaltero::live::ClientGate;
        server_->gate()->setMaxPerAddress(ClientGate::kMaxClients);
        Feed team(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return !team.messages.isEmpty(); }, 3000));
        // Pages from one other address, up to the bound and one more.
        std::vector<std::unique_ptr<QTcpSocket>> pages;
        for (int i = 0; i < ClientGate::kMaxFeeds; ++i) {
            auto page = std::make_unique<QTcpSocket>();
            page->bind(loopback(2));
            page->connectToHost(u"127.0.0.1"_s, port());
            page->write(kaltero::testing::upgradeRequest(u"/ws?key="_s + kKey));
            QVERIFY(turnUntil([&] { return server_->feedCount() == i + 2; }, 3000) ||
                    i == ClientGate::kMaxFeeds - 1);
            pages.push_back(std::move(page));
        }
        QVERIFY(turnUntil([&] { return pages[0]->state() == QAbstractSocket::UnconnectedState; },
                          1000));
        QCOMPARE(server_->feedCount(), ClientGate::kMaxFeeds);
        QCOMPARE(stillOpen(pages), ClientGate::kMaxFeeds - 1);
        QCOMPARE(team.socket.state(), QAbstractSocket::ConnectedState);
    }

    // A page only listens: after the upgrade, pings and pongs pass (a ping answered); an
    // unmasked frame (RFC 6455, 5.1), a message or a close ends the connection.
    void feedFrames_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<QByteArray>("answer");  // a frame the server sends back
        QTest::newRow("pong") << clientFrame(0x8A, "p") << true << QByteArray();
        QTest::newRow("ping") << clientFrame(0x89, "hi") << true << "\x8A\x02hi"_ba;
        QTest::newRow("unmasked ping")
            << clientFrame(0x89, "hi", false) << false << "\x88\x02\x03\xEA"_ba;
        QTest::newRow("unmasked pong") << clientFrame(0x8A, {}, false) << false << QByteArray();
        QTest::newRow("text") << clientFrame(0x81, "hi") << false << "\x88\x02\x03\xF0"_ba;
        QTest::newRow("close") << clientFrame(0x88, "\x03\xE8") << false << QByteArray();
    }
    void feedFrames() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, stays);
        QFETCH(QByteArray, answer);
        QTcpSocket page;
        page.connectToHost(u"127.0.0.1"_s, port());
        page.write(kaltero::testing::upgradeRequest(u"/ws?key="_s + kKey));
        QByteArray got;
        QVERIFY(turnUntil(
            [&] {
                got += page.readAll();
                return server_->feedCount() == 1 && got.contains("\r\n\r\n");
            },
            3000));
        QVERIFY(got.startsWith("HTTP/1.1 101"));
        // The race the page gets first is read and put aside.
        turnUntil([] { return false; }, 100);
        page.readAll();
        got.clear();
        page.write(frame);
        const bool closed = turnUntil(
            [&] {
                got += page.readAll();
                return page.state() == QAbstractSocket::UnconnectedState;
            },
            1000);
        QCOMPARE(!closed, stays);
        QVERIFY2(got.contains(answer), got.toHex().constData());
    }

    // Every page is pinged; one that does not answer (it reads nothing) is dropped, one that
    // does stays.
    void silentFeedIsDropped() {
        server_->gate()->setFeedPing(200, 300);
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QTcpSocket silent;
        silent.connectToHost(u"127.0.0.1"_s, port());
        silent.write(kaltero::testing::upgradeRequest(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return server_->feedCount() == 2; }, 3000));
        QVERIFY(
            turnUntil([&] { return silent.state() == QAbstractSocket::UnconnectedState; }, 3000));
        turnUntil([] { return false; }, 1000);
        QCOMPARE(page.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server_->feedCount(), 1);
    }

    // A connection ends after its answer when the client asks for that, HTTP/1.0 by default.
    void connectionEndsWhenAsked_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("closes");
        const QByteArray target = "GET /live.css?key=" + kKey.toUtf8();
        QTest::newRow("HTTP/1.1") << target + " HTTP/1.1\r\nHost: x\r\n\r\n" << false;
        QTest::newRow("HTTP/1.0") << target + " HTTP/1.0\r\nHost: x\r\n\r\n" << true;
        QTest::newRow("Connection: close")
            << target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
            << true;
    }
    void connectionEndsWhenAsked() {
        QFETCH(QByteArray, request);
        QFETCH(bool, closes);
        const auto reply = exchange(port(), request);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.closed, closes);
    }

    void raceShape() {
        race_->countLap(0, u"0"_s);
        turnUntil([] { return false; }, 3 * RaceFeed::kCoalesceMs);
        const auto reply = exchange(port(), get(u"/api/race?key="_s + kKey));
        QCOMPARE(reply.status, 200);
        const QJsonObject r = QJsonDocument::fromJson(reply.body).object();
        QCOMPARE(keysOf(r), QStringList({u"allCarMessage"_s, u"cars"_s, u"clock"_s, u"event"_s,
                                         u"rules"_s, u"standings"_s, u"timing"_s}));
        QCOMPARE(keysOf(r[u"clock"_s].toObject()),
                 QStringList({u"elapsedMs"_s, u"end"_s, u"now"_s, u"remainingMs"_s, u"start"_s}));
        const QJsonObject car = r[u"cars"_s].toArray().at(0).toObject();
        QCOMPARE(keysOf(car), QStringList({u"average"_s,
                                           u"averageMs"_s,
                                           u"best"_s,
                                           u"bestLap"_s,
                                           u"bestMs"_s,
                                           u"car"_s,
                                           u"countdown"_s,
                                           u"currentLap"_s,
                                           u"driver"_s,
                                           u"drivers"_s,
                                           u"fuel"_s,
                                           u"fuelLaps"_s,
                                           u"inPit"_s,
                                           u"lapCount"_s,
                                           u"laps"_s,
                                           u"lapsFrom"_s,
                                           u"last"_s,
                                           u"lastMs"_s,
                                           u"latestPitLap"_s,
                                           u"messageIn"_s,
                                           u"messageOut"_s,
                                           u"pitStops"_s,
                                           u"pitStopsOutOfReach"_s,
                                           u"predictedLaps"_s,
                                           u"running"_s,
                                           u"slot"_s,
                                           u"stint"_s,
                                           u"stintAlert"_s}));
        QCOMPARE(car[u"laps"_s].toArray().size(), 1);
        QCOMPARE(keysOf(r[u"standings"_s].toArray().at(0).toObject()),
                 QStringList({u"best"_s, u"bestMs"_s, u"car"_s, u"gapLaps"_s, u"laps"_s, u"last"_s,
                              u"lastMs"_s, u"position"_s, u"slot"_s}));
    }

    // The race a page asks for is the race as it is a burst's time after a change, however
    // often it is asked for.
    void raceIsCurrent() {
        for (int lap = 1; lap <= 3; ++lap) {
            race_->countLap(0, u"0"_s);
            QVERIFY(turnUntil(
                [&] {
                    const auto reply = exchange(port(), get(u"/api/race?key="_s + kKey));
                    return QJsonDocument::fromJson(reply.body)[u"cars"_s][0][u"lapCount"_s]
                               .toInt() == lap;
                },
                3 * RaceFeed::kCoalesceMs));
        }
    }

    // A page gets the whole race first, then each lap within 100 ms.
    void feedPushesLaps() {
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return !page.messages.isEmpty(); }, 3000));
        QCOMPARE(page.messages[0][u"type"_s].toString(), u"race"_s);
        QCOMPARE(page.messages[0][u"race"_s][u"cars"_s].toArray().size(), 1);
        for (int lap = 1; lap <= 3; ++lap) {
            race_->countLap(0, u"0"_s);
            const qint64 sent = page.clock.elapsed();
            const Figures f;
            race_->recordLap(0, lap, timedLap(85'000, 85'000 * lap), 85'000 * lap, f, {});
            QVERIFY(turnUntil([&] { return page.messages.size() == lap + 1; }, 1000));
            QCOMPARE(page.messages.last()[u"type"_s].toString(), u"update"_s);
            const QJsonArray laps =
                page.messages.last()[u"race"_s][u"cars"_s][0][u"laps"_s].toArray();
            QCOMPARE(laps.size(), 1);
            QCOMPARE(laps[0][u"lap"_s].toInt(), lap);
            QCOMPARE(laps[0][u"ms"_s].toInt(), 85'000);
            QVERIFY2(page.arrived.last() - sent < 100,
                     qPrintable(u"lap %1 after %2 ms"_s.arg(lap).arg(page.arrived.last() - sent)));
        }
        race_->correctLapCount(0, 1);
        QVERIFY(turnUntil([&] { return page.messages.size() == 5; }, 1000));
        QCOMPARE(page.messages.last()[u"type"_s].toString(), u"race"_s);
    }

    // Only a keyed upgrade from the page's own origin (or from no page) becomes a feed; any
    // other is refused before a 101, and its connection ends.
    void upgrade_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<int>("status");
        const QString k = u"?key="_s + kKey;
        QTest::newRow("keyed") << u"/ws"_s + k << QByteArray() << 101;
        QTest::newRow("key in the cookie")
            << u"/ws"_s << "Cookie: kaltero_key=" + kKey.toUtf8() + "\r\n"
            << 101;
        QTest::newRow("page's own origin")
            << u"/ws"_s + k << "Origin: http://127.0.0.1\r\n"_ba << 101;
        QTest::newRow("no key") << u"/ws"_s << QByteArray() << 403;
        QTest::newRow("wrong key") << u"/ws?key="_s + kWrongKey << QByteArray() << 403;
        QTest::newRow("key and more") << u"/ws"_s + k + u"0"_s << QByteArray() << 403;
        QTest::newRow("another site") << u"/ws"_s + k << "Origin: http://example.com\r\n"_ba << 403;
        QTest::newRow("another port")
            << u"/ws"_s + k << "Origin: http://127.0.0.1:81\r\n"_ba << 403;
        QTest::newRow("other path") << u"/feed"_s + k << QByteArray() << 404;
    }
    void upgrade() {
        QFETCH(QString, target);
        QFETCH(QByteArray, headers);
        QFETCH(int, status);
        const auto reply = exchange(port(), kaltero::testing::upgradeRequest(target, headers));
        QCOMPARE(reply.status, status);
        QCOMPARE(turnUntil([&] { return server_->feedCount() == 1; }, 300), status == 101);
        if (status != 101) {
            QVERIFY(reply.closed);
            QVERIFY(reply.body.isEmpty());
        }
    }

    // An operator's edit of a recorded lap reaches open pages as an update carrying that lap.
    void editedLapIsSent_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("time") << u"time"_s << u"1'20\"000"_s;
        QTest::newRow("driver") << u"driver"_s << u"鈴木"_s;
        QTest::newRow("remarks") << u"remarks"_s << u"ピット"_s;
    }
    void editedLapIsSent() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        race_->countLap(0, u"0"_s);
        race_->recordLap(0, 1, timedLap(85'000, 85'000), 85'000, {}, {});
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return page.messages.size() == 1; }, 3000));
        if (field == u"time"_s) {
            race_->editLapTime(0, 1, value, 80'000);
        } else if (field == u"driver"_s) {
            race_->editLapDriver(0, 1, value);
        } else {
            race_->editLapRemarks(0, 1, value);
        }
        QVERIFY(turnUntil([&] { return page.messages.size() == 2; }, 1000));
        QCOMPARE(page.messages[1][u"type"_s].toString(), u"update"_s);
        const QJsonArray laps = page.messages[1][u"race"_s][u"cars"_s][0][u"laps"_s].toArray();
        QCOMPARE(laps.size(), 1);
        QCOMPARE(laps[0][u"lap"_s].toInt(), 1);
        QCOMPARE(laps[0][field].toString(), value);
    }

    // A listener that joins a feed some time into the race (the relay after a take-over, beside
    // the page) holds the race as one there from the start, and the early one still gets what
    // was due when the late one joined.
    void lateListenerHoldsTheRace_data() {
        QTest::addColumn<bool>("dueAtJoin");
        QTest::newRow("nothing due") << false;
        QTest::newRow("an edited lap due") << true;
    }
    void lateListenerHoldsTheRace() {
        QFETCH(bool, dueAtJoin);
        RaceFeed feed(*race_, settings_, [] { return RaceMoment{}; });
        RaceStore early;
        RaceStore late;
        connect(&feed, &RaceFeed::delta, [&](const auto& d) { early.apply(*d); });
        feed.flush();
        for (int lap = 1; lap <= 3; ++lap) {
            race_->countLap(0, u"0"_s);
            race_->recordLap(0, lap, timedLap(85'000, lap * 85'000), lap * 85'000, {}, {});
        }
        feed.flush();
        if (dueAtJoin) {
            race_->editLapTime(0, 2, u"1'20\"000"_s, 80'000);
        }
        late.apply(*feed.wholeRace());
        connect(&feed, &RaceFeed::delta, [&](const auto& d) { late.apply(*d); });
        race_->countLap(0, u"0"_s);
        feed.flush();
        const auto cars = [](RaceStore& store) {
            return QJsonDocument::fromJson(store.raceJson())[u"cars"_s].toArray();
        };
        QCOMPARE(cars(late), cars(early));
        QCOMPARE(cars(early)[0][u"laps"_s].toArray().size(), 4);
        QCOMPARE(cars(early)[0][u"laps"_s][1][u"time"_s].toString(),
                 dueAtJoin ? u"1'20\"000"_s : u"1'25\"000"_s);
    }

    // A car's figures are made again when the car changes, and every car's when the race
    // does: a course chosen gives each car its fuel.
    void carsFollowTheirChanges() {
        race_->setAddress(1, u"10.0.0.2"_s, true);
        race_->chooseCar(0, u"1号車"_s, u"60"_s, 60, 2.4f);
        race_->chooseCar(1, u"2号車"_s, u"60"_s, 60, 2.4f);
        race_->start(QDateTime::currentDateTimeUtc(), std::nullopt);
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return page.messages.size() == 1; }, 3000));
        race_->showMessage(1, u"OK"_s);
        QVERIFY(turnUntil([&] { return page.messages.size() == 2; }, 1000));
        QCOMPARE(page.messages[1][u"race"_s][u"cars"_s][1][u"messageIn"_s].toString(), u"OK"_s);
        QVERIFY(page.messages[1][u"race"_s][u"cars"_s][0][u"fuel"_s].isNull());
        race_->chooseCourse(u"富士"_s, 4563);
        QVERIFY(turnUntil([&] { return page.messages.size() == 3; }, 1000));
        for (int car = 0; car < 2; ++car) {
            QCOMPARE(page.messages[2][u"race"_s][u"cars"_s][car][u"fuel"_s][u"capacity"_s].toInt(),
                     60);
        }
    }

    // A car's every report can change its message: a burst of changes goes out as one
    // message, and each change costs the timing path little.
    void burstIsOneMessage() {
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(turnUntil([&] { return page.messages.size() == 1; }, 3000));
        constexpr int kChanges = 20'000;
        QElapsedTimer cost;
        cost.start();
        for (int i = 0; i < kChanges; ++i) {
            race_->showMessage(0, QString::number(i));
        }
        const qint64 followedNs = cost.nsecsElapsed();
        QVERIFY(turnUntil([&] { return page.messages.size() == 2; }, 1000));
        QVERIFY(!turnUntil([&] { return page.messages.size() > 2; }, 200));
        QCOMPARE(page.messages[1][u"race"_s][u"cars"_s][0][u"messageIn"_s].toString(),
                 QString::number(kChanges - 1));

        // The same changes with nobody following the race, for comparison.
        RaceModel alone;
        cost.restart();
        for (int i = 0; i < kChanges; ++i) {
            alone.showMessage(0, QString::number(i));
        }
        const qint64 aloneNs = cost.nsecsElapsed();
        qInfo("a change with the live page following: %.0f ns, without: %.0f ns",
              double(followedNs) / kChanges, double(aloneNs) / kChanges);
    }

    // However long the race, a page gets each car's latest laps and the figures; older laps
    // come by page.
    void lapsComeByPage_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("first");  // lap number of the first lap in the page
        QTest::addColumn<int>("count");
        QTest::newRow("first page") << u"car=1&from=1"_s << 200 << 1 << RaceStore::kPageLaps;
        QTest::newRow("a page in the middle") << u"car=1&from=850"_s << 200 << 850 << 100;
        QTest::newRow("last laps") << u"car=1&from=951"_s << 200 << 951 << 10;
        QTest::newRow("past the last lap") << u"car=1&from=961"_s << 200 << 0 << 0;
        QTest::newRow("car not in the race") << u"car=2&from=1"_s << 404 << 0 << 0;
        QTest::newRow("no such slot") << u"car=9&from=1"_s << 404 << 0 << 0;
        QTest::newRow("lap 0") << u"car=1&from=0"_s << 400 << 0 << 0;
        QTest::newRow("not a number") << u"car=x&from=1"_s << 400 << 0 << 0;
        QTest::newRow("no from") << u"car=1"_s << 400 << 0 << 0;
    }
    void lapsComeByPage() {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(int, first);
        QFETCH(int, count);
        for (int lap = 1; lap <= 960; ++lap) {
            race_->recordLap(0, lap, timedLap(90'000, 90'000 * lap), 90'000 * lap, {},
                             QString(600, u'x'));
        }
        turnUntil([] { return false; }, 3 * RaceFeed::kCoalesceMs);
        const auto reply = exchange(port(), get(u"/api/laps?key="_s + kKey + u"&"_s + query));
        QCOMPARE(reply.status, status);
        if (status != 200) {
            return;
        }
        const QJsonArray laps = QJsonDocument::fromJson(reply.body)[u"laps"_s].toArray();
        QCOMPARE(laps.size(), count);
        QCOMPARE(QJsonDocument::fromJson(reply.body)[u"lapCount"_s].toInt(), 960);
        for (int i = 0; i < laps.size(); ++i) {
            QCOMPARE(laps[i][u"lap"_s].toInt(), first + i);
        }

        const auto whole = exchange(port(), get(u"/api/race?key="_s + kKey));
        const QJsonObject car = QJsonDocument::fromJson(whole.body)[u"cars"_s][0].toObject();
        QCOMPARE(car[u"lapCount"_s].toInt(), 960);
        QCOMPARE(car[u"lapsFrom"_s].toInt(), 960 - RaceStore::kWindowLaps + 1);
        QCOMPARE(car[u"laps"_s].toArray().size(), RaceStore::kWindowLaps);
        QCOMPARE(car[u"laps"_s][0][u"lap"_s].toInt(), 960 - RaceStore::kWindowLaps + 1);
    }

    // A 24-hour race of five cars, every lap with the longest log a car can leave: the race
    // object a page loads stays small.
    void longRaceIsBounded() {
        for (int slot = 1; slot < 5; ++slot) {
            race_->setAddress(slot, u"10.0.0.9"_s, true);
        }
        race_->start(QDateTime::currentDateTimeUtc(), std::nullopt);
        for (int slot = 0; slot < 5; ++slot) {
            race_->showMessage(slot, QString(100'000, u'm'));
            Lap lap = timedLap(90'000, 0);
            lap.log = QString(100'000, u'x');
            for (int n = 1; n <= 960; ++n) {
                lap.endTick = 90'000 * n;
                race_->recordLap(slot, n, lap, lap.endTick, {}, {});
            }
        }
        turnUntil([] { return false; }, 3 * RaceFeed::kCoalesceMs);
        const auto reply = exchange(port(), get(u"/api/race?key="_s + kKey));
        QCOMPARE(reply.status, 200);
        QElapsedTimer made;
        made.start();
        for (int i = 0; i < 20; ++i) {
            kaltero::live::raceHead(*race_, settings_, {});
        }
        qInfo("a 24-hour race of five cars: %lld bytes; its head made in %.2f ms",
              qint64(reply.body.size()), made.nsecsElapsed() / 20e6);
        QVERIFY(reply.body.size() < 1024 * 1024);
        QCOMPARE(QJsonDocument::fromJson(reply.body)[u"cars"_s].toArray().size(), 5);
    }

    // On its own thread the server answers pages while the console's thread is busy.
    void serviceAnswersWhileTheConsoleIsBusy() {
        LiveService service(*feed_, kKey);
        QVERIFY(service.start(0));
        race_->countLap(0, u"0"_s);
        turnUntil([] { return false; }, 3 * RaceFeed::kCoalesceMs);
        std::atomic<bool> answered = false;
        QByteArray got;
        std::thread page([&] {
            QTcpSocket socket;
            socket.connectToHost(u"127.0.0.1"_s, service.port());
            socket.waitForConnected(3000);
            socket.write(get(u"/api/race?key="_s + kKey));
            while (socket.waitForReadyRead(got.isEmpty() ? 3000 : 300)) {
                got += socket.readAll();
                answered = true;
            }
        });
        QThread::msleep(1500);  // the console's thread is held, as by a long job
        const bool inTime = answered;
        page.join();
        QVERIFY2(inTime, "the page waited for the console's thread");
        QVERIFY(got.startsWith("HTTP/1.1 200"));
        const QByteArray body = got.mid(got.indexOf("\r\n\r\n") + 4);
        const int lapCount = QJsonDocument::fromJson(body)[u"cars"_s][0][u"lapCount"_s].toInt();
        QCOMPARE(lapCount, 1);
    }

    // Connections that end leave nothing behind: a race of many hours sees many of them.
    void endedConnectionsAreFreed() {
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(exchange(port(), get(u"/live.css?key="_s + kKey)).status, 200);
            Feed page(feedUrl(u"/ws?key="_s + kKey));
            QVERIFY(turnUntil([&] { return !page.messages.isEmpty(); }, 3000));
        }
        QVERIFY(turnUntil(
            [&] {
                return server_->feedCount() == 0 &&
                       server_->findChildren<QTcpSocket*>().isEmpty() &&
                       server_->findChildren<QWebSocket*>().isEmpty();
            },
            3000));
    }

    // A page that stops reading is dropped once a few megabytes wait for it; the others go on.
    void pageThatStopsReadingIsDropped() {
        for (int slot = 1; slot < 5; ++slot) {
            race_->setAddress(slot, u"10.0.0.9"_s, true);
        }
        race_->start(QDateTime::currentDateTimeUtc(), std::nullopt);
        for (int slot = 0; slot < 5; ++slot) {
            for (int lap = 1; lap <= 1000; ++lap) {
                race_->recordLap(slot, lap, timedLap(85'000, 85'000 * lap), 85'000 * lap, {}, {});
            }
        }
        QTcpSocket stalled;
        stalled.setReadBufferSize(1);
        stalled.connectToHost(u"127.0.0.1"_s, port());
        QVERIFY(
            turnUntil([&] { return stalled.state() == QAbstractSocket::ConnectedState; }, 3000));
        stalled.write("GET /ws?key=" + kKey.toUtf8() +
                      " HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                      "Sec-WebSocket-Version: 13\r\n\r\n");
        Feed page(feedUrl(u"/ws?key="_s + kKey));
        QVERIFY(
            turnUntil([&] { return server_->feedCount() == 2 && !page.messages.isEmpty(); }, 5000));
        race_->editLapRemarks(0, 1, u"measured"_s);  // the race made anew
        QElapsedTimer built;
        built.start();
        const qint64 size = exchange(port(), get(u"/api/race?key="_s + kKey)).body.size();
        qInfo("the whole race of 5 cars x 1000 laps: %lld bytes, made in %lld ms", size,
              built.elapsed());
        int sent = 0;
        while (server_->feedCount() == 2 && sent < 400) {
            race_->correctLapCount(0, 1000);
            ++sent;
            QVERIFY(turnUntil([&] { return page.messages.size() == sent + 1; }, 5000));
        }
        qInfo("dropped after %d whole races", sent);
        QCOMPARE(server_->feedCount(), 1);
        QVERIFY(page.socket.state() == QAbstractSocket::ConnectedState);
    }
};

QTEST_GUILESS_MAIN(TestLiveServer)
#include "test_live_server.moc"
