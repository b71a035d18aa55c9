#include "console/live_dialog.h"
#include "console_fixture.h"
#include "core/settings.h"

#include <QLabel>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::console::encodeQr;
using kaltero::console::LiveDialog;
using kaltero::console::livePageAddresses;

namespace {
const QString kKey = u"0123456789abcdef0123456789abcdef"_s;

QList<QHostAddress> hosts(const QStringList& texts) {
    QList<QHostAddress> out;
    for (const QString& t : texts) {
        out.append(QHostAddress(t));
    }
    return out;
}
}  // namespace

class TestLiveDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addresses_data() {
        QTest::addColumn<QStringList>("machine");
        QTest::addColumn<QStringList>("pages");
        const QString lan = u"http://192.168.1.5:8080/?key="_s + kKey;
        QTest::newRow("loopback left out")
            << QStringList{u"127.0.0.1"_s, u"192.168.1.5"_s} << QStringList{lan};
        QTest::newRow("loopback when alone")
            << QStringList{u"127.0.0.1"_s, u"::1"_s}
            << QStringList{u"http://127.0.0.1:8080/?key="_s + kKey};
        QTest::newRow("IPv6 left out, each address once")
            << QStringList{u"fe80::1"_s, u"192.168.1.5"_s, u"10.0.0.2"_s, u"192.168.1.5"_s}
            << QStringList{lan, u"http://10.0.0.2:8080/?key="_s + kKey};
        QTest::newRow("none") << QStringList{} << QStringList{};
    }
    void addresses() {
        QFETCH(QStringList, machine);
        QFETCH(QStringList, pages);
        QCOMPARE(livePageAddresses(hosts(machine), 8080, kKey), pages);
    }

    // A reader finds the code by its three finder squares: 7 dark modules along the top-left
    // corner's edges, a light ring inside, and the size of a real QR version.
    void qrCodeIsReadable() {
        const auto code =
            encodeQr(u"http://192.168.100.200:65535/?key="_s.toUtf8() + kKey.toUtf8());
        QVERIFY(code.size >= 21 && code.size <= 177);
        QCOMPARE((code.size - 17) % 4, 0);
        for (int i = 0; i < 7; ++i) {
            QVERIFY(code.dark(i, 0) && code.dark(0, i));
            QVERIFY(code.dark(code.size - 1 - i, 0) && code.dark(0, code.size - 1 - i));
        }
        QVERIFY(!code.dark(1, 1) && !code.dark(7, 0) && code.dark(3, 3));
        const QImage image = kaltero::console::qrImage(code, 3);
        QCOMPARE(image.width(), (code.size + 8) * 3);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(4 * 3, 4 * 3), QColor(Qt::black));
    }

    void dialogShowsEachAddressWithItsCode() {
        const QStringList pages = {u"http://192.168.1.5:8080/?key="_s + kKey,
                                   u"http://10.0.0.2:8080/?key="_s + kKey};
        LiveDialog dialog(pages, u"ポート 8080 は使用中です"_s);
        for (int i = 0; i < pages.size(); ++i) {
            auto* url = dialog.findChild<QLabel*>(u"Lbl_LiveUrl_"_s + QString::number(i));
            auto* qr = dialog.findChild<QLabel*>(u"Lbl_LiveQr_"_s + QString::number(i));
            QVERIFY(url && qr);
            QCOMPARE(url->text(), pages[i]);
            QVERIFY(!qr->pixmap().isNull());
            QCOMPARE(qr->pixmap().width(), qr->pixmap().height());
        }
        QVERIFY(!dialog.findChild<QLabel*>(u"Lbl_LiveUrl_2"_s));
        QCOMPARE(dialog.findChild<QLabel*>(u"Lbl_LiveNotice"_s)->text(),
                 u"ポート 8080 は使用中です"_s);
    }

    // The button in the main frame opens the dialog once, with the port and key the console
    // serves, and says why no page is served.
    void buttonOpensTheDialog_data() {
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("notice");
        QTest::newRow("served") << true << false << QString();
        QTest::newRow("port taken")
            << true << true << u"ポート 8080 を開けないため、ライブ表示は止まっています。"_s;
        QTest::newRow("switched off")
            << false << false << u"ライブ表示は環境設定で無効になっています。"_s;
    }
    void buttonOpensTheDialog() {
        QFETCH(bool, on);
        QFETCH(bool, portTaken);
        QFETCH(QString, notice);
        QTcpServer other;
        QVERIFY(!portTaken || other.listen(QHostAddress::Any, 8080));
        kaltero::testing::ConsoleFixture console([on](const QDir& folder) {
            kaltero::core::Settings settings;
            settings.LiveOn = on;
            settings.LiveKey = kKey;
            QVERIFY(kaltero::core::WriteAllSettings(settings, folder.filePath(u"Kaltero.ini"_s)));
        });
        console.prompts.takeErrors();
        console.find<QPushButton>(u"Btn_Live"_s)->click();
        console.find<QPushButton>(u"Btn_Live"_s)->click();
        const auto dialogs = console.program.window()->findChildren<LiveDialog*>();
        QCOMPARE(dialogs.size(), 1);
        QVERIFY(dialogs[0]->isVisible());
        const auto* url = dialogs[0]->findChild<QLabel*>(u"Lbl_LiveUrl_0"_s);
        QVERIFY(url && url->text().endsWith(u":8080/?key="_s + kKey));
        const auto* shown = dialogs[0]->findChild<QLabel*>(u"Lbl_LiveNotice"_s);
        QCOMPARE(shown ? shown->text() : QString(), notice);
    }
};

QTEST_MAIN(TestLiveDialog)
#include "test_live_dialog.moc"
