#include "live/live_server.h"
#include "live/race_feed.h"
#include "live_client.h"
#include "model/race_model.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::core::Lap;
using kaltero::core::Settings;
using kaltero::live::LiveServer;
using kaltero::live::RaceFeed;
using kaltero::live::RaceMoment;
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
    lap.timeText = u"1'25\"000"_s;
    lap.endTick = endTick;
    return lap;
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
        server_ = new LiveServer(*feed_, kKey);
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

    // Every route answers only to the key; a wrong or missing one gets 403 and nothing else.
    void access_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("type");
        const QString routes[] = {u"/"_s,         u"/index.html"_s, u"/live.js"_s, u"/live.css"_s,
                                  u"/api/race"_s, u"/ws"_s,         u"/nothing"_s};
        for (const QString& r : routes) {
            QTest::addRow("%s no key", qPrintable(r)) << u"GET"_s << r << 403 << QString();
            QTest::addRow("%s empty key", qPrintable(r))
                << u"GET"_s << r + u"?key="_s << 403 << QString();
            QTest::addRow("%s wrong key", qPrintable(r))
                << u"GET"_s << r + u"?key="_s + kWrongKey << 403 << QString();
            QTest::addRow("%s key cut short", qPrintable(r))
                << u"GET"_s << r + u"?key="_s + kKey.left(31) << 403 << QString();
        }
        const QString k = u"?key="_s + kKey;
        QTest::newRow("page") << u"GET"_s << u"/"_s + k << 200 << u"text/html; charset=utf-8"_s;
        QTest::newRow("page by name")
            << u"GET"_s << u"/index.html"_s + k << 200 << u"text/html; charset=utf-8"_s;
        QTest::newRow("script") << u"GET"_s << u"/live.js"_s + k << 200
                                << u"text/javascript; charset=utf-8"_s;
        QTest::newRow("style") << u"GET"_s << u"/live.css"_s + k << 200
                               << u"text/css; charset=utf-8"_s;
        QTest::newRow("race") << u"GET"_s << u"/api/race"_s + k << 200
                              << u"application/json; charset=utf-8"_s;
        QTest::newRow("unknown path") << u"GET"_s << u"/nothing"_s + k << 404 << QString();
        QTest::newRow("feed without upgrade") << u"GET"_s << u"/ws"_s + k << 404 << QString();
        QTest::newRow("dot dot") << u"GET"_s << u"/../live.js"_s + k << 404 << QString();
        QTest::newRow("encoded dot dot")
            << u"GET"_s << u"/%2e%2e/live.js"_s + k << 404 << QString();
        QTest::newRow("resource path") << u"GET"_s << u"/:/live/live.js"_s + k << 404 << QString();
        QTest::newRow("file beside")
            << u"GET"_s << u"/live.js/../../Kaltero.ini"_s + k << 404 << QString();
        QTest::newRow("no writes") << u"POST"_s << u"/api/race"_s + k << 405 << QString();
        QTest::newRow("no writes, no key") << u"PUT"_s << u"/api/race"_s << 403 << QString();
    }
    void access() {
        QFETCH(QString, method);
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(QString, type);
        const auto reply =
            exchange(port(), method.toUtf8() + ' ' + target.toUtf8() +
                                 " HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
        QCOMPARE(reply.status, status);
        if (status == 200) {
            QCOMPARE(QString::fromUtf8(reply.header("Content-Type")), type);
            QVERIFY(!reply.body.isEmpty());
        } else {
            QVERIFY(reply.body.isEmpty());
        }
    }

    void raceShape() {
        race_->countLap(0, u"0"_s);
        const auto reply = exchange(port(), get(u"/api/race?key="_s + kKey));
        QCOMPARE(reply.status, 200);
        const QJsonObject r = QJsonDocument::fromJson(reply.body).object();
        QCOMPARE(keysOf(r), QStringList({u"allCarMessage"_s, u"cars"_s, u"clock"_s, u"event"_s,
                                         u"standings"_s, u"timing"_s}));
        QCOMPARE(keysOf(r[u"clock"_s].toObject()),
                 QStringList({u"elapsedMs"_s, u"end"_s, u"now"_s, u"remainingMs"_s, u"start"_s}));
        const QJsonObject car = r[u"cars"_s].toArray().at(0).toObject();
        QCOMPARE(keysOf(car),
                 QStringList({u"average"_s,    u"averageMs"_s,     u"best"_s,      u"bestLap"_s,
                              u"bestMs"_s,     u"car"_s,           u"countdown"_s, u"currentLap"_s,
                              u"driver"_s,     u"drivers"_s,       u"fuel"_s,      u"lapCount"_s,
                              u"laps"_s,       u"last"_s,          u"lastMs"_s,    u"messageIn"_s,
                              u"messageOut"_s, u"predictedLaps"_s, u"running"_s,   u"slot"_s}));
        QCOMPARE(car[u"laps"_s].toArray().size(), 1);
        QCOMPARE(keysOf(r[u"standings"_s].toArray().at(0).toObject()),
                 QStringList({u"best"_s, u"bestMs"_s, u"car"_s, u"gapLaps"_s, u"laps"_s, u"last"_s,
                              u"lastMs"_s, u"position"_s, u"slot"_s}));
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

    // A feed without the key, or on another path, is refused and told nothing.
    void feedNeedsKey_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("no key") << u"/ws"_s;
        QTest::newRow("wrong key") << u"/ws?key="_s + kWrongKey;
        QTest::newRow("other path") << u"/feed?key="_s + kKey;
    }
    void feedNeedsKey() {
        QFETCH(QString, target);
        Feed page(feedUrl(target));
        QVERIFY(turnUntil([&] { return page.socket.state() == QAbstractSocket::UnconnectedState; },
                          3000));
        QVERIFY(page.messages.isEmpty());
        QCOMPARE(server_->feedCount(), 0);
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
        const qint64 size = QJsonDocument(page.messages[0]).toJson().size();
        int sent = 0;
        while (server_->feedCount() == 2 && sent < 100) {
            race_->correctLapCount(0, 1000);
            ++sent;
            QVERIFY(turnUntil([&] { return page.messages.size() == sent + 1; }, 5000));
        }
        qInfo("dropped after %d whole races of %lld bytes", sent, size);
        QCOMPARE(server_->feedCount(), 1);
        QVERIFY(page.socket.state() == QAbstractSocket::ConnectedState);
    }
};

QTEST_GUILESS_MAIN(TestLiveServer)
#include "test_live_server.moc"
