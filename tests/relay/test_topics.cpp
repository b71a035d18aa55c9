#include "core/relay_settings.h"
#include "platform/profile_file.h"
#include "relay/topics.h"

#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

class TestTopics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Only a console name makes topics: nothing in a name reaches beyond its own folder.
    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ops");  // empty: no topics at all
        QTest::newRow("plain") << u"pit-1_B"_s << u"kaltero/pit-1_B/ops"_s;
        QTest::newRow("64 characters")
            << QString(64, u'a') << u"kaltero/"_s + QString(64, u'a') + u"/ops"_s;
        QTest::newRow("65 characters") << QString(65, u'a') << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("level separator") << u"pit/other"_s << QString();
        QTest::newRow("parent") << u".."_s << QString();
        QTest::newRow("single-level wildcard") << u"+"_s << QString();
        QTest::newRow("multi-level wildcard") << u"pit#"_s << QString();
        QTest::newRow("blank") << u"pit 1"_s << QString();
        QTest::newRow("NUL") << u"pit\u0000x"_s << QString();
        QTest::newRow("full-width letters") << u"ｐｉｔ"_s << QString();
        QTest::newRow("system topic") << u"$SYS"_s << QString();
    }
    void names() {
        QFETCH(QString, name);
        QFETCH(QString, ops);
        const auto topics = relay::Topics::of(name);
        QCOMPARE(topics.has_value(), !ops.isEmpty());
        if (topics) {
            QCOMPARE(topics->ops, ops);
            QCOMPARE(topics->laps(3), u"kaltero/"_s + name + u"/laps/3"_s);
            QCOMPARE(topics->heard(3), u"kaltero/"_s + name + u"/heard/3"_s);
        }
    }

    void hostNames_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"pit-laptop"_s << u"pit-laptop"_s;
        QTest::newRow("domain and blanks") << u"pit pc.local"_s << u"pitpclocal"_s;
        QTest::newRow("nothing allowed") << u"#/+"_s << u"console"_s;
        QTest::newRow("long") << QString(80, u'x') << QString(64, u'x');
    }
    void hostNames() {
        QFETCH(QString, host);
        QTEST(core::consoleNameFromHost(host), "name");
    }

    void section_data() {
        QTest::addColumn<QString>("broker");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("consoleName");
        QTest::addColumn<bool>("publishing");
        QTest::newRow("off by default")
            << QString() << QString() << QString() << 0 << u"pc1"_s << false;
        QTest::newRow("host and port")
            << u"mq.example:8883"_s << u"pit-1"_s << u"mq.example"_s << 8883 << u"pit-1"_s << true;
        QTest::newRow("no port") << u"mq"_s << QString() << u"mq"_s << 1883 << u"pc1"_s << true;
        QTest::newRow("IPv6") << u"[::1]:1884"_s << u"a"_s << u"::1"_s << 1884 << u"a"_s << true;
        QTest::newRow("port not a number") << u"mq:x"_s << u"a"_s << u"mq"_s << 0 << u"a"_s << true;
        QTest::newRow("port too big") << u"mq:70000"_s << u"a"_s << u"mq"_s << 0 << u"a"_s << true;
        QTest::newRow("name refused")
            << u"mq"_s << u"a/#"_s << u"mq"_s << 1883 << QString() << false;
    }
    void section() {
        QFETCH(QString, broker);
        QFETCH(QString, name);
        platform::Profile profile;
        profile.setValue(core::ini::kRelaySection, core::ini::kBroker, broker);
        profile.setValue(core::ini::kRelaySection, core::ini::kConsoleName, name);
        const core::RelaySettings r = core::readRelaySettings(profile, u"pc1"_s);
        QTEST(r.host, "host");
        QTEST(r.port, "port");
        QTEST(r.consoleName, "consoleName");
        QTEST(r.publishing(), "publishing");
        QCOMPARE(r.refusedName, r.consoleName.isEmpty() ? name : QString());
    }
};

QTEST_GUILESS_MAIN(TestTopics)
#include "test_topics.moc"
