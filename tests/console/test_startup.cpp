#include "console/application.h"
#include "console/main_window.h"
#include "console/splash.h"
#include "console_fixture.h"
#include "journal/journal.h"
#include "platform/udp_link.h"
#include "widgets/frame.h"
#include "widgets/lap_grid.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>

#include <sched.h>
#include <sys/mount.h>

using kaltero::testing::ConsoleFixture;
using namespace Qt::StringLiterals;
namespace platform = kaltero::platform;
namespace widgets = kaltero::widgets;

class TestStartup : public QObject {
    Q_OBJECT

    // A console timing a race in `folder`, killed with SIGKILL: its files stay as it left them.
    static void killConsoleTiming(const QString& folder) {
        QTemporaryDir outside;
        QProcess console;
        console.start(
            QStringLiteral(KALTERO_HEADLESS),
            {folder, u"--snapshot"_s, outside.filePath(u"snapshot.json"_s), u"--stop-file"_s,
             outside.filePath(u"stop"_s), u"--report"_s, outside.filePath(u"report.txt"_s)});
        QByteArray out;
        while (!out.contains("ready\n") && console.waitForReadyRead(10'000)) {
            out += console.readAllStandardOutput();
        }
        QVERIFY2(out.contains("ready\n"), out.constData());
        console.kill();
        QVERIFY(console.waitForFinished());
    }

private Q_SLOTS:
    void windowOpensThreeSecondsAfterTheSplash() {
        QTemporaryDir dir;
        platform::ManualClock clock;
        platform::ScriptedPrompts prompts;
        kaltero::model::RaceModel race;
        kaltero::core::Console console(prompts, clock, race, race.state());
        kaltero::engine::RaceEngine engine(console);
        kaltero::console::Application program(console, engine, dir.path(), [] {});
        program.start();
        QVERIFY(program.splash()->isVisible());
        // The settings are complete before the window exists.
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Kaltero.ini"))));
        clock.advance(2999);
        QVERIFY(program.window() == nullptr);
        clock.advance(1);
        QVERIFY(program.window() != nullptr);
        QVERIFY(program.window()->isVisible());
        QVERIFY(!program.splash()->isVisible());
        QCOMPARE(program.window()->windowTitle(), QStringLiteral("走行状況"));
        // Only once.
        clock.advance(10'000);
        QVERIFY(!program.splash()->isVisible());
    }

    void filesLiveInTheProgramFolder() {
        ConsoleFixture f;
        QCOMPARE(f.console.paths.SettingsFile, f.dir.filePath(QStringLiteral("Kaltero.ini")));
        QCOMPARE(f.console.paths.CarFile, f.dir.filePath(QStringLiteral("Car.ini")));
        QCOMPARE(f.console.paths.CourseFile, f.dir.filePath(QStringLiteral("Course.ini")));
        QCOMPARE(f.console.paths.DriversFile, f.dir.filePath(QStringLiteral("Drivers.ini")));
    }

    void windowLoadSetsCaptionsAndDate() {
        ConsoleFixture f(QDateTime(QDate(2007, 4, 3), QTime(9, 0)));
        QCOMPARE(f.find<widgets::Frame>(QStringLiteral("Frm_Runner_0"))->title(),
                 QStringLiteral("１号車"));
        QCOMPARE(f.find<widgets::Frame>(QStringLiteral("Frm_Runner_4"))->title(),
                 QStringLiteral("５号車"));
        QCOMPARE(f.find<QLineEdit>(QStringLiteral("Txt_Date"))->text(), QStringLiteral("2007/4/3"));
        QCOMPARE(f.find<QPushButton>(QStringLiteral("Btn_Write"))->text(),
                 QStringLiteral("走行結果\n保存"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("Lbl_Time_3"))->text(), QStringLiteral("0'00\"000"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("Lbl_Tank_2"))->text(), QStringLiteral("999"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("Lbl_ZanGas_2"))->text(), QStringLiteral("残999"));
        QVERIFY(f.find<QLabel>(QStringLiteral("Lbl_LocalIP"))->text().startsWith(u"IP : "));
        QVERIFY(f.find<QLabel>(QStringLiteral("Lbl_IP_1"))->text().isEmpty());
        QCOMPARE(f.state().car[2].LapFlag, kaltero::core::RecordFlag::Recorded);
        QVERIFY(f.console.sockets.check->isBound());
        QVERIFY(f.engine.clockTimer().isActive());
        QVERIFY(f.ui().Time_NoInputBlk->isActive());
    }

    // Five car frames side by side fit a 1366x768 screen with every caption whole.
    void carCaptionsStandWholeOnASmallScreen_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::newRow("tank") << QStringLiteral("Lbl_Tank_0") << QStringLiteral("タンク容量");
        QTest::newRow("economy") << QStringLiteral("Txt_Nenpi_0") << QStringLiteral("平均燃費");
        QTest::newRow("amount") << QStringLiteral("Txt_InGasl_0") << QStringLiteral("給油量");
        QTest::newRow("fuel put in")
            << QStringLiteral("Lbl_AllGas_0") << QStringLiteral("総給油容量");
        QTest::newRow("message") << QStringLiteral("Txt_OutMess_4")
                                 << QStringLiteral("送信メッセージ");
    }
    void carCaptionsStandWholeOnASmallScreen() {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        // The font the console runs in.
        const auto restore =
            qScopeGuard([font = QApplication::font()] { QApplication::setFont(font); });
        QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
        ConsoleFixture f;
        QWidget* window = f.program.window();
        QVERIFY(window->minimumSizeHint().width() <= 1366);
        window->resize(1366, 768);
        window->layout()->activate();
        QWidget* target = f.find(control);
        const auto labels = target->parentWidget()->findChildren<QLabel*>();
        const auto found = std::find_if(labels.begin(), labels.end(),
                                        [target](QLabel* l) { return l->buddy() == target; });
        QVERIFY(found != labels.end());
        QCOMPARE((*found)->text(), caption);
        QVERIFY((*found)->width() >= (*found)->sizeHint().width());
    }

    // The pit wall's two lines and the fuel laps stand whole in each car frame on the small
    // screen, and the lap grid keeps room for a few laps.
    void pitWallLinesFitASmallScreen() {
        const auto restore =
            qScopeGuard([font = QApplication::font()] { QApplication::setFont(font); });
        QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
        ConsoleFixture f;
        QWidget* window = f.program.window();
        f.model.setAddress(4, u"127.0.0.1"_s, true);  // a slot set up shows its lap grid
        auto* car = f.ui().Car[4];
        car->Lbl_PitWall->setText(u"スティント 1:02:10 残り 17:50\nピット 2/3回 1:05 12:30前"_s);
        car->Lbl_FuelLaps->setText(u"あと 20 周 130周目まで"_s);
        QVERIFY(window->minimumSizeHint().width() <= 1366);
        window->resize(1366, 768);
        window->layout()->activate();
        for (QLabel* line : {car->Lbl_PitWall, car->Lbl_FuelLaps}) {
            QVERIFY(line->height() >= line->sizeHint().height());
            QVERIFY2(line->width() >= line->sizeHint().width(), qPrintable(line->objectName()));
        }
        // Three rows of laps at the least; the window no taller than the screen.
        QVERIFY(car->Spd_Laps->height() >= 70);
        QVERIFY(window->minimumSizeHint().height() <= 768);
    }

    void everyControlCarriesItsName_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"Frm_Main",       "Btn_Start",      "Btn_End",      "Btn_Mess",     "Btn_Write",
              "Btn_Car",        "Btn_Cource",     "Btn_Drivers",  "Frm_Mess",     "Spd_Mess",
              "Btn_MessOk",     "Btn_MessCancel", "Txt_RunH",     "Txt_RunN",     "Lbl_ZanTime",
              "Lbl_SysTime",    "Lbl_StTime",     "Btn_OtherLap", "Lbl_OtherLap", "Cmb_Course",
              "Txt_AllOutMess", "Btn_PitWall",    "Spd_Standings"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
        for (const char* name :
             {"Frm_Runner", "Lbl_Time", "Lbl_LapCnt", "Btn_RunStop", "Spd_Laps", "Lbl_IP",
              "Cmb_Car", "Cmb_Driver", "Txt_OutMess", "Lbl_InMess", "Chk_ChgCnter", "Txt_ZanRunCnt",
              "Spd_DriverInfo", "Lbl_PitWall", "Lbl_FuelLaps"}) {
            for (int i = 0; i < 5; ++i) {
                const QString indexed = QString::fromLatin1(name) + u'_' + QString::number(i);
                QTest::newRow(qPrintable(indexed)) << indexed;
            }
        }
    }
    void everyControlCarriesItsName() {
        QFETCH(QString, name);
        ConsoleFixture f;
        QVERIFY(f.program.window()->findChild<QWidget*>(name) != nullptr);
    }

    void closeBoxIsRefused() {
        ConsoleFixture f;
        QVERIFY(!f.program.window()->close());
        QVERIFY(f.program.window()->isVisible());
        QCOMPARE(f.quits, 0);
    }

    void endAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("quits");
        QTest::newRow("No keeps running") << false << 0;
        QTest::newRow("Yes ends") << true << 1;
    }
    void endAsksFirst() {
        QFETCH(bool, yes);
        QFETCH(int, quits);
        ConsoleFixture f;
        f.prompts.answerYesNo(yes);
        f.ui().Btn_End->click();
        QCOMPARE(f.quits, quits);
        QCOMPARE(f.prompts.calls().size(), 1);
        QCOMPARE(f.prompts.calls()[0].text, QStringLiteral("終了します。よろしいですか？"));
        QCOMPARE(f.prompts.calls()[0].title, QStringLiteral("終了確認"));
        QCOMPARE(f.prompts.calls()[0].icon, platform::PromptIcon::Information);
    }
    // A folder that cannot be written (read-only, or a full medium) is no "other console": the
    // console starts, says what is wrong and times without a journal.
    // So is a lock file a killed console left there (kill -9, then the medium fills or is made
    // read-only).
    void unwritableFolderIsToldAsSuch_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("killedConsole");
        QTest::newRow("read-only folder") << true << false;
        QTest::newRow("full medium") << false << false;
        QTest::newRow("read-only folder, console killed before") << true << true;
        QTest::newRow("full medium, console killed before") << false << true;
    }
    void unwritableFolderIsToldAsSuch() {
        QFETCH(bool, readOnly);
        QFETCH(bool, killedConsole);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            QSKIP("no mount namespace here");
        }
        QString folder;
        const auto mountSmallMedium = [&](const QDir& dir) {
            folder = dir.path();
            QVERIFY(mount("tmpfs", qPrintable(folder), "tmpfs", 0, "size=1m") == 0);
            if (killedConsole) {
                killConsoleTiming(folder);
            }
            if (readOnly) {
                QVERIFY(mount("none", qPrintable(folder), nullptr, MS_REMOUNT | MS_RDONLY,
                              nullptr) == 0);
                return;
            }
            QFile filler(dir.filePath(u"filler"_s));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        };
        ConsoleFixture console(mountSmallMedium);
        const auto unmount = qScopeGuard([&] { umount2(qPrintable(folder), MNT_DETACH); });
        QCOMPARE(console.quits, 0);
        QVERIFY(console.program.window() != nullptr);
        QVERIFY(!console.program.journal()->isOpen());
        const QStringList texts = console.prompts.texts();
        QVERIFY2(!texts.join(u'\n').contains(u"既に動いています"_s), qPrintable(texts.join(u'\n')));
        QVERIFY2(texts.value(0).startsWith(u"このフォルダに書き込めません"_s),
                 qPrintable(texts.join(u'\n')));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
