// The operator sees how publishing stands on the main window and where it goes in ライブ表示.
#include "common/broker.h"
#include "console/live_dialog.h"
#include "console/relay_view.h"
#include "journal/journal.h"
#include "model/race_model.h"
#include "relay/relay_service.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

class TestRelayView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linkState_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("shown");  // the label's text, up to the broker's own words
        QTest::newRow("admitted") << u"s3cret"_s << u"中継: 接続中"_s;
        QTest::newRow("wrong password") << u"guess"_s << u"中継: 未接続\n拒否: "_s;
    }
    void linkState() {
        QFETCH(QString, password);
        QFETCH(QString, shown);
        testing::TestBroker broker({u"pit"_s, u"s3cret"_s});
        QVERIFY(broker.ready());
        QTemporaryDir dir;
        journal::Journal journal;
        QVERIFY(journal.open(dir.filePath(u"Kaltero.db"_s)));
        model::RaceModel race;
        core::Settings settings;
        settings.relay.host = u"127.0.0.1"_s;
        settings.relay.port = broker.port();
        settings.relay.consoleName = u"pit-1"_s;
        settings.relay.user = u"pit"_s;
        settings.relay.password = password;
        live::RaceFeed feed(race, settings, [] { return live::RaceMoment{}; });
        relay::RelayService relay(feed, settings, dir.filePath(u"Kaltero.db"_s));
        QWidget window;
        console::relayLabel(relay, &window);
        auto* label = window.findChild<QLabel*>(u"Lbl_Relay"_s);
        QVERIFY(label);
        QTRY_VERIFY_WITH_TIMEOUT(label->text().startsWith(shown), 10000);
        QCOMPARE(label->text().size() > shown.size(), shown.contains(u"拒否"));
    }

    void waitingCount() {
        QCOMPARE(console::relayStateText({false, 12, {}}), u"中継: 未接続 (送信待ち 12 件)"_s);
    }

    void topicsInTheLiveDialog() {
        console::LiveDialog dialog({}, {}, {u"kaltero/pit-1/ops"_s});
        auto* topics = dialog.findChild<QLabel*>(u"Lbl_LiveTopics"_s);
        QVERIFY(topics && topics->text().contains(u"kaltero/pit-1/ops"_s));
        console::LiveDialog without({}, {});
        QVERIFY(!without.findChild<QLabel*>(u"Lbl_LiveTopics"_s));
    }
};

QTEST_MAIN(TestRelayView)
#include "test_relay_view.moc"
