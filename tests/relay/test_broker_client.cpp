#include "common/broker.h"
#include "relay/broker_client.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

relay::BrokerSettings at(int port) {
    relay::BrokerSettings s;
    s.host = u"127.0.0.1"_s;
    s.port = port;
    return s;
}

// A client that subscribes to a topic and keeps what it receives.
struct Listener {
    explicit Listener(int port, const QString& topic) {
        QString why;
        client.start(at(port), &why);
        client.subscribe(topic, 1);
    }
    relay::BrokerClient client;
    QSignalSpy got{&client, &relay::BrokerClient::received};
    QSignalSpy up{&client, &relay::BrokerClient::connected};
};

QByteArray payloadOf(const QList<QVariant>& message) {
    return message.at(1).toByteArray();
}

// The child process of retainedAndWill: connected with a last will, it says "online" and
// waits to be killed.
int holdWill(int port, const QString& topic) {
    relay::BrokerClient client;
    auto s = at(port);
    s.willTopic = topic;
    s.willPayload = "offline";
    QObject::connect(&client, &relay::BrokerClient::connected,
                     [&] { client.publish(topic, "online", 1, true); });
    QObject::connect(&client, &relay::BrokerClient::published, [] {
        std::puts("up");
        std::fflush(stdout);
    });
    QString why;
    return client.start(s, &why) ? QCoreApplication::exec() : 2;
}

}  // namespace

class TestBrokerClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void publishQos1IsTakenAndReceived() {
        testing::TestBroker broker;
        QVERIFY(broker.ready());
        Listener listener(broker.port(), u"kaltero/a/#"_s);
        relay::BrokerClient client;
        QSignalSpy taken(&client, &relay::BrokerClient::published);
        QString why;
        QVERIFY2(client.start(at(broker.port()), &why), qPrintable(why));
        QVERIFY(listener.up.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(client.isConnected(), 5000);

        const int mid = client.publish(u"kaltero/a/ops"_s, "lap 1", 1, false);
        QVERIFY(mid > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!taken.isEmpty(), 5000);
        QCOMPARE(taken.first().first().toInt(), mid);
        QTRY_COMPARE_WITH_TIMEOUT(listener.got.size(), 1, 5000);
        QCOMPARE(listener.got.first().first().toString(), u"kaltero/a/ops"_s);
        QCOMPARE(payloadOf(listener.got.first()), "lap 1"_ba);
    }

    // A broker that goes away: nothing is queued meanwhile, and once it is back the client
    // connects and its subscriptions hold again by themselves.
    void brokerRestartReconnectsAndResubscribes() {
        testing::TestBroker broker;
        QVERIFY(broker.ready());
        Listener listener(broker.port(), u"t"_s);
        QVERIFY(listener.up.wait(5000));
        QSignalSpy down(&listener.client, &relay::BrokerClient::disconnected);
        broker.stop();
        QVERIFY(down.wait(5000));
        QCOMPARE(listener.client.publish(u"t"_s, "lost", 1, false), -1);
        QVERIFY(broker.start());
        QVERIFY(listener.up.wait(15000));

        relay::BrokerClient sender;
        QString why;
        QVERIFY(sender.start(at(broker.port()), &why));
        QTRY_VERIFY_WITH_TIMEOUT(sender.isConnected(), 5000);
        QVERIFY(sender.publish(u"t"_s, "back", 1, false) > 0);
        QTRY_COMPARE_WITH_TIMEOUT(listener.got.size(), 1, 5000);
        QCOMPARE(payloadOf(listener.got.first()), "back"_ba);
    }

    // A console started while its broker is still down connects once the broker is up.
    void brokerLaterThanClient() {
        testing::TestBroker broker;
        QVERIFY(broker.ready());
        broker.stop();
        relay::BrokerClient client;
        QSignalSpy up(&client, &relay::BrokerClient::connected);
        QString why;
        QVERIFY(client.start(at(broker.port()), &why));
        QTest::qWait(1500);
        QVERIFY(up.isEmpty());
        QVERIFY(broker.start());
        QVERIFY(up.wait(15000));
        QVERIFY(client.isConnected());
    }

    // A follower that joins later reads the retained "online"; when the console's process
    // dies without a word the broker tells "offline" in its place.
    void retainedAndWill() {
        testing::TestBroker broker;
        QVERIFY(broker.ready());
        QProcess console;
        console.start(QCoreApplication::applicationFilePath(),
                      {u"--hold-will"_s, QString::number(broker.port()), u"kaltero/a/status"_s});
        QVERIFY(console.waitForReadyRead(10000));
        QCOMPARE(console.readAll().trimmed(), "up"_ba);

        Listener late(broker.port(), u"kaltero/a/status"_s);
        QTRY_COMPARE_WITH_TIMEOUT(late.got.size(), 1, 5000);
        QCOMPARE(payloadOf(late.got.first()), "online"_ba);
        console.kill();
        console.waitForFinished(5000);
        QTRY_COMPARE_WITH_TIMEOUT(late.got.size(), 2, 10000);
        QCOMPARE(payloadOf(late.got.last()), "offline"_ba);
    }

    void access_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<bool>("ownCa");
        QTest::addColumn<bool>("admitted");
        QTest::newRow("right password") << u"pit"_s << u"s3cret"_s << false << true << true;
        QTest::newRow("wrong password") << u"pit"_s << u"guess"_s << false << true << false;
        QTest::newRow("no user") << QString() << QString() << false << true << false;
        QTest::newRow("tls, broker's CA") << u"pit"_s << u"s3cret"_s << true << true << true;
        QTest::newRow("tls, another CA") << u"pit"_s << u"s3cret"_s << true << false << false;
    }
    void access() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, tls);
        QFETCH(bool, ownCa);
        QFETCH(bool, admitted);
        testing::TestBroker broker({u"pit"_s, u"s3cret"_s, true});
        testing::TestBroker stranger({{}, {}, true});
        QVERIFY(broker.ready() && stranger.ready());
        auto s = at(tls ? broker.tlsPort() : broker.port());
        s.user = user;
        s.password = password;
        s.tls = tls;
        s.caFile = ownCa ? broker.caFile() : stranger.caFile();
        relay::BrokerClient client;
        QSignalSpy up(&client, &relay::BrokerClient::connected);
        QSignalSpy refused(&client, &relay::BrokerClient::refused);
        QString why;
        QVERIFY2(client.start(s, &why), qPrintable(why));
        QTRY_VERIFY_WITH_TIMEOUT(!up.isEmpty() || !refused.isEmpty(), 10000);
        QCOMPARE(!up.isEmpty(), admitted);
        QCOMPARE(client.isConnected(), admitted);
        if (!admitted) {
            QVERIFY(!refused.first().first().toString().isEmpty());
            // Told once, though the client keeps trying.
            QTest::qWait(2500);
            QCOMPARE(refused.size(), 1);
        }
    }

    void badSettings_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<bool>("persistentWithoutId");
        QTest::newRow("no host") << QString() << 1883 << false << false;
        QTest::newRow("port 0") << u"127.0.0.1"_s << 0 << false << false;
        QTest::newRow("port beyond 65535") << u"127.0.0.1"_s << 70000 << false << false;
        QTest::newRow("tls without CA file") << u"127.0.0.1"_s << 8883 << true << false;
        QTest::newRow("persistent, no id") << u"127.0.0.1"_s << 1883 << false << true;
    }
    void badSettings() {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, tls);
        QFETCH(bool, persistentWithoutId);
        relay::BrokerSettings s;
        s.host = host;
        s.port = port;
        s.tls = tls;
        s.caFile = u"/nonexistent/ca.crt"_s;
        s.cleanSession = !persistentWithoutId;
        relay::BrokerClient client;
        QString why;
        QVERIFY(!client.start(s, &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(client.publish(u"t"_s, "x", 1, false), -1);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--hold-will") == 0) {
        return holdWill(QByteArray(argv[2]).toInt(), QString::fromUtf8(argv[3]));
    }
    TestBrokerClient test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_broker_client.moc"
