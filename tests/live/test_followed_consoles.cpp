// The live page of a console that shows other consoles' races: two consoles publish their race
// objects on a real broker, the page's server serves them beside its own race to whoever
// holds the key, and what is not a race is left out.

#include "common/broker.h"
#include "core/relay_settings.h"
#include "live/followed_races.h"
#include "live/live_service.h"
#include "live_client.h"
#include "model/race_model.h"
#include "relay/broker_client.h"
#include "relay/followed_consoles.h"
#include "relay/topics.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::live::FollowedRaces;
using kaltero::live::LiveService;
using kaltero::relay::BrokerClient;
using kaltero::relay::BrokerSettings;
using kaltero::relay::FollowedConsoles;
using kaltero::testing::exchange;
using kaltero::testing::Feed;
using kaltero::testing::get;
using kaltero::testing::turnUntil;

namespace {

const QString kKey = u"00112233445566778899aabbccddeeff"_s;

BrokerSettings onBroker(int port, const QString& clientId) {
    BrokerSettings s;
    s.host = u"127.0.0.1"_s;
    s.port = port;
    s.clientId = clientId;
    return s;
}

// A race object as a console publishes it, its event named `event`; `padding` bytes of remarks
// make it as large as wanted.
QByteArray raceNamed(const QString& event, qsizetype padding = 0) {
    const QJsonObject standing{
        {u"slot"_s, 1}, {u"position"_s, 1}, {u"car"_s, QString(event + u"号")}, {u"laps"_s, 3}};
    const QJsonObject race{{u"timing"_s, true},
                           {u"event"_s, QJsonObject{{u"name"_s, event}}},
                           {u"clock"_s, QJsonObject{{u"now"_s, 1.0}, {u"elapsedMs"_s, 60000}}},
                           {u"allCarMessage"_s, QString(padding, u'x')},
                           {u"standings"_s, QJsonArray{standing}},
                           {u"cars"_s, QJsonArray{}}};
    return QJsonDocument(race).toJson(QJsonDocument::Compact);
}

// A console on the broker: what it publishes is retained, as a console's race and state are.
struct Publisher {
    Publisher(int port, const QString& name) : name(name) {
        QString why;
        started = client.start(onBroker(port, u"kaltero-"_s + name + u"-pub"_s), &why);
        turnUntil([this] { return client.isConnected(); }, 5000);
    }
    QString topic(const QString& leaf) const {
        const auto topics = kaltero::relay::Topics::of(name);
        return leaf == u"race"_s ? topics->race : topics->status;
    }
    // True once the broker took it.
    bool publish(const QString& leaf, const QByteArray& payload) {
        int id = -1;
        bool taken = false;
        const auto c = QObject::connect(&client, &BrokerClient::published,
                                        [&](int mid) { taken = taken || mid == id; });
        id = client.publish(topic(leaf), payload, 1, true);
        turnUntil([&] { return taken; }, 5000);
        QObject::disconnect(c);
        return taken;
    }
    QString name;
    BrokerClient client;
    bool started = false;
};

}  // namespace

class TestFollowedConsoles : public QObject {
    Q_OBJECT

    std::unique_ptr<kaltero::testing::TestBroker> broker_;
    std::unique_ptr<Publisher> pitA_;
    std::unique_ptr<Publisher> pitB_;
    kaltero::model::RaceModel race_;
    kaltero::core::Settings settings_;
    kaltero::live::RaceFeed feed_{race_, settings_, [] { return kaltero::live::RaceMoment{}; }};
    std::unique_ptr<LiveService> live_;
    std::unique_ptr<FollowedConsoles> followed_;

    // The page's /api/consoles, by console name; the status of the answer in `status`.
    QHash<QString, QJsonObject> consoles(const QString& query, int* status = nullptr) {
        const auto reply = exchange(live_->port(), get(u"/api/consoles"_s + query));
        if (status) {
            *status = reply.status;
        }
        QHash<QString, QJsonObject> byName;
        order_.clear();
        for (const QJsonValue& c :
             QJsonDocument::fromJson(reply.body).object().value(u"consoles"_s).toArray()) {
            byName.insert(c[u"name"_s].toString(), c.toObject());
            order_ << c[u"name"_s].toString();
        }
        return byName;
    }
    QString eventOf(const QString& name) {
        return consoles(u"?key="_s + kKey).value(name)[u"race"_s][u"event"_s][u"name"_s].toString();
    }
    QString statusOf(const QString& name) {
        return consoles(u"?key="_s + kKey).value(name)[u"status"_s].toString();
    }
    QStringList order_;

private Q_SLOTS:
    void initTestCase() {
        broker_ = std::make_unique<kaltero::testing::TestBroker>();
        QVERIFY(broker_->ready());
        pitA_ = std::make_unique<Publisher>(broker_->port(), u"pit-a"_s);
        pitB_ = std::make_unique<Publisher>(broker_->port(), u"pit-b"_s);
        QVERIFY(pitA_->started && pitB_->started);
        // Published before this console follows them: it gets what the broker retained.
        QVERIFY(pitA_->publish(u"race"_s, raceNamed(u"A1"_s)));
        QVERIFY(pitA_->publish(u"status"_s, "online"));
        QVERIFY(pitB_->publish(u"race"_s, raceNamed(u"B1"_s)));
        live_ = std::make_unique<LiveService>(feed_, kKey);
        QVERIFY(live_->start(0));
        followed_ = std::make_unique<FollowedConsoles>(*live_);
        QString why;
        QVERIFY2(followed_->start(onBroker(broker_->port(), u"kaltero-org-view"_s),
                                  {u"pit-b"_s, u"pit-a"_s}, &why),
                 qPrintable(why));
        QVERIFY(turnUntil([&] { return eventOf(u"pit-a"_s) == u"A1"_s; }, 5000));
        QVERIFY(turnUntil([&] { return eventOf(u"pit-b"_s) == u"B1"_s; }, 5000));
        // Subscribed after its race: the retained status may come a moment later.
        QVERIFY(turnUntil([&] { return statusOf(u"pit-a"_s) == u"online"_s; }, 5000));
    }
    void cleanupTestCase() {
        followed_.reset();
        live_.reset();
    }

    // Both races side by side, in the order set, each with its console's state; only with the
    // key; and on an open page's feed, after its own race.
    void racesSideBySideToTheKey() {
        int status = 0;
        QCOMPARE(consoles(u"?key="_s + kKey, &status).size(), 2);
        QCOMPARE(status, 200);
        QCOMPARE(order_, (QStringList{u"pit-b"_s, u"pit-a"_s}));
        QCOMPARE(statusOf(u"pit-a"_s), u"online"_s);
        QCOMPARE(statusOf(u"pit-b"_s), QString());
        QVERIFY(consoles({}, &status).isEmpty());
        QCOMPARE(status, 403);
        QVERIFY(consoles(u"?key="_s + kKey.left(31) + u"0"_s, &status).isEmpty());
        QCOMPARE(status, 403);

        Feed page(QUrl(u"ws://127.0.0.1:%1/ws?key="_s.arg(live_->port()) + kKey));
        QVERIFY(turnUntil([&] { return page.messages.size() >= 3; }, 5000));
        QCOMPARE(page.messages[0][u"type"_s].toString(), u"race"_s);
        QCOMPARE(page.messages[1][u"console"_s][u"race"_s][u"event"_s][u"name"_s], u"B1"_s);
        QCOMPARE(page.messages[2][u"console"_s][u"race"_s][u"event"_s][u"name"_s], u"A1"_s);
        // A new race of a console reaches the open page.
        QVERIFY(pitB_->publish(u"race"_s, raceNamed(u"B2"_s)));
        QVERIFY(turnUntil(
            [&] {
                return std::any_of(page.messages.begin(), page.messages.end(), [](const auto& m) {
                    return m[u"console"_s][u"race"_s][u"event"_s][u"name"_s] == u"B2"_s;
                });
            },
            5000));
        Feed stranger(QUrl(u"ws://127.0.0.1:%1/ws"_s.arg(live_->port())));
        turnUntil([] { return false; }, 300);
        QVERIFY(stranger.messages.isEmpty());
    }

    // What a console sends as its race is taken only when it is a race object within bounds;
    // otherwise its last race stays shown.
    void onlyRacesAreTaken_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a race") << raceNamed(u"row"_s) << true;
        QTest::newRow("at the bound")
            << raceNamed(u"row"_s, FollowedRaces::kMaxRaceBytes - raceNamed(u"row"_s).size())
            << true;
        QTest::newRow("over the bound")
            << raceNamed(u"row"_s, FollowedRaces::kMaxRaceBytes) << false;
        QTest::newRow("not JSON") << QByteArray("{\"cars\":[") << false;
        QTest::newRow("a race and more") << raceNamed(u"row"_s) + "{}" << false;
        QTest::newRow("a JSON array") << QByteArray("[{\"cars\":[]}]") << false;
        QTest::newRow("no cars") << QByteArray("{\"clock\":{},\"event\":{\"name\":\"row\"}}")
                                 << false;
        QTest::newRow("cars not a list")
            << QByteArray("{\"clock\":{},\"cars\":{},\"event\":{\"name\":\"row\"}}") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }
    void onlyRacesAreTaken() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, taken);
        QVERIFY(pitA_->publish(u"race"_s, raceNamed(u"before"_s)));
        QVERIFY(turnUntil([&] { return eventOf(u"pit-a"_s) == u"before"_s; }, 5000));
        QVERIFY(pitA_->publish(u"race"_s, payload));
        // The console's state follows its race on the same connection: once it shows, the
        // race before it was looked at.
        const QByteArray state = statusOf(u"pit-a"_s) == u"online"_s ? "offline" : "online";
        QVERIFY(pitA_->publish(u"status"_s, state));
        QVERIFY(turnUntil([&] { return statusOf(u"pit-a"_s).toLatin1() == state; }, 5000));
        QCOMPARE(eventOf(u"pit-a"_s), taken ? u"row"_s : u"before"_s);
    }

    // A console's name goes into topics: a name that could steer one is refused, nothing is
    // followed and the page shows no console.
    void namesThatCouldSteerATopicAreRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("65 long") << QString(65, u'a');
        QTest::newRow("empty") << QString();
        QTest::newRow("a level") << u"pit/a"_s;
        QTest::newRow("every console") << u"+"_s;
        QTest::newRow("everything") << u"#"_s;
    }
    void namesThatCouldSteerATopicAreRefused() {
        QFETCH(QString, name);
        LiveService live(feed_, kKey);
        QVERIFY(live.start(0));
        FollowedConsoles followed(live);
        QString why;
        QVERIFY(!followed.start(onBroker(broker_->port(), u"kaltero-refused"_s), {u"pit-a"_s, name},
                                &why));
        QVERIFY(!why.isEmpty());
        const auto reply = exchange(live.port(), get(u"/api/consoles?key="_s + kKey));
        QCOMPARE(reply.body, QByteArray("{\"consoles\":[]}"));
    }
};

QTEST_GUILESS_MAIN(TestFollowedConsoles)
#include "test_followed_consoles.moc"
