#include "common/file_bytes.h"
#include "console/race_tables.h"
#include "console_fixture.h"
#include "journal/journal.h"
#include "platform/cp932.h"
#include "table_texts.h"
#include "test_car.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <ctime>
#include <optional>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

using kaltero::console::StandingsModel;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::JournalFiles;
using kaltero::testing::Race;
using kaltero::testing::readBytes;
using kaltero::testing::TestCar;
using kaltero::testing::writeBytes;
using namespace Qt::StringLiterals;

namespace {

// The car drives laps first..last-1 of a started race: a silence, then its report.
void driveLaps(Race& race, TestCar& car, int first, int last) {
    for (int lap = first; lap < last; ++lap) {
        race.clock.advance(11'000);
        QVERIFY(car.exchange(TestCar::lapReport(lap)).startsWith(u'N'));
    }
}

// Every named control of the window as the race decides it: text, enabled state, colours, the
// grids' cells, the gauge. What time alone moves (clocks, running lap times, the pit wall's stint
// line, blinking) is left out.
QStringList windowAsShown(QWidget* window) {
    static const QRegularExpression moving(
        u"^(Lbl_SysTime|Lbl_ZanTime|Lbl_Time_\\d|Lbl_OtherLap|Lbl_InMess_\\d|Txt_InGasl_\\d|"
        u"Lbl_PitWall_\\d)$"_s);
    QStringList shown;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_"_s) || moving.match(name).hasMatch()) {
            continue;
        }
        QString line = name + u" enabled=" + QString::number(w->isEnabled());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            line += u" text=" + label->text() + u" bg=" +
                    kaltero::widgets::background(label).name() + u" fg=" +
                    label->palette().color(QPalette::WindowText).name();
        } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
            line += u" text=" + box->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            line +=
                u" text=" + button->text() + u" checked=" + QString::number(button->isChecked());
        } else if (auto* list = qobject_cast<kaltero::widgets::ChoiceList*>(w)) {
            line += u" text=" + list->currentText();
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            line += u" text=" + list->currentText();
        } else if (auto* grid = qobject_cast<kaltero::widgets::Grid*>(w)) {
            for (int r = 1; r <= grid->rowCount(); ++r) {
                for (int c = 1; c < grid->columnCount(); ++c) {
                    line += u'|' + grid->cellText(c, r);
                }
            }
        } else if (auto* laps = qobject_cast<kaltero::widgets::LapGrid*>(w)) {
            for (int r = 1; r <= laps->rowCount(); ++r) {
                for (int c = 1; c < laps->columnCount(); ++c) {
                    line += u'|' + laps->cellText(c, r);
                }
            }
        } else if (auto* table = qobject_cast<QTableView*>(w)) {
            for (int r = 0; r < table->model()->rowCount(); ++r) {
                if (!table->isRowHidden(r)) {
                    line += u'|' + kaltero::testing::rowTexts(table, r).join(u'|');
                }
            }
        } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
            line += u" visible=" + QString::number(dialog->isVisible());
        } else if (auto* gauge = qobject_cast<kaltero::widgets::Gauge*>(w)) {
            line += u" value=" + QString::number(gauge->value());
        } else if (auto* frame = qobject_cast<kaltero::widgets::Frame*>(w)) {
            line += u" bg=" + frame->background().name() + u" visible=" +
                    QString::number(frame->isVisibleTo(window));
        }
        shown << line;
    }
    shown.sort();
    return shown;
}

// The first two positions of the standings board: car name and best time.
QStringList boardShown(const ConsoleFixture& console) {
    const auto* board = console.find<QTableView>(u"Spd_Standings"_s);
    QStringList shown;
    for (int r = 0; r < 2; ++r) {
        shown << kaltero::testing::cellText(board, r, StandingsModel::kCarName) +
                     kaltero::testing::cellText(board, r, StandingsModel::kBestTime);
    }
    return shown;
}

QStringList lapTexts(kaltero::widgets::LapGrid* grid) {
    QStringList rows;
    for (int r = 1; r <= grid->rowCount(); ++r) {
        rows << grid->cellText(1, r) + u'|' + grid->cellText(2, r) + u'|' + grid->cellText(3, r);
    }
    return rows;
}

}  // namespace

class TestResume : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A console killed in the middle of a race comes back with the race and goes on timing it:
    // the same laps, the same lap numbers, the tick counter on from the race's own start.
    void killedRaceGoesOnAfterTheRestart_data() {
        QTest::addColumn<bool>("resume");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void killedRaceGoesOnAfterTheRestart() {
        QFETCH(bool, resume);
        JournalFiles files;
        QStringList before;
        {
            Race race({0});
            TestCar car(0);
            race.start();
            driveLaps(race, car, 0, 2);
            before = lapTexts(race.ui().Car[0]->Spd_Laps);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        QCOMPARE(before.size(), 2);

        // A minute later by the wall clock; the monotonic clock began again with the process.
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(60), resume);
        QCOMPARE(again.prompts.calls().size(), 1);
        QCOMPARE(again.prompts.calls()[0].text, u"前回の計測は終了していません。再開しますか？"_s);
        auto* panel = again.ui().Car[0];
        if (!resume) {
            QVERIFY(!again.model.timing());
            QCOMPARE(panel->Spd_Laps->rowCount(), 0);
            return;
        }
        QVERIFY(again.model.timing());
        QCOMPARE(again.ui().Btn_Start->text(), u"Stop"_s);
        QCOMPARE(panel->Lbl_IP->text(), u"127.0.0.1"_s);
        QCOMPARE(lapTexts(panel->Spd_Laps), before);
        QCOMPARE(panel->Lbl_LapCnt->text(), u"3周目"_s);
        // 14:00:00 was tick 0; the console came back at 14:01:00.
        QCOMPARE(again.console.TickCnt(), 60'000);
        // The resume itself is the one row it adds: showing the race again is no operation.
        const auto rows = [](const QString& folder) {
            kaltero::journal::Journal j;
            return j.open(folder + u"/Kaltero.db"_s) ? j.unfinishedRace().size() : -1;
        };
        QVERIFY(again.program.journal()->flush());
        QTemporaryDir killed;
        QVERIFY(files.copyTo(QDir(killed.path())));
        QCOMPARE(rows(again.dir.path()), rows(killed.path()) + 1);

        TestCar car(0);
        again.clock.advance(11'000);
        const QString reply = car.exchange(TestCar::lapReport(2));
        QVERIFY(reply.startsWith(u'N'));
        QCOMPARE(reply.mid(1, 3), u"003"_s);
        QCOMPARE(panel->Spd_Laps->cellText(3, 3), u"再開"_s);
        // Only the first lap after the restart is marked.
        again.clock.advance(11'000);
        QVERIFY(car.exchange(TestCar::lapReport(3)).startsWith(u'N'));
        QCOMPARE(panel->Spd_Laps->cellText(3, 4), QString());
    }

    // A race set up as the operator sets it up, through the window's controls, then killed
    // mid-race: the window after the resume is the window before, every control the race
    // decides, and a race length typed after it moves the end as it would have before.
    void setUpThroughTheWindowOutlivesAKill() {
        const auto masters = [](const QDir& folder) {
            QVERIFY(
                writeBytes(folder.filePath(u"Car.ini"_s),
                           kaltero::platform::encodeCp932(u"赤,,60,8.5\r\n青,,100,10.25\r\n"_s)));
            QVERIFY(writeBytes(folder.filePath(u"Course.ini"_s),
                               kaltero::platform::encodeCp932(u"富士,4563\r\n"_s)));
            QVERIFY(writeBytes(folder.filePath(u"Drivers.ini"_s),
                               kaltero::platform::encodeCp932(u"佐藤,全車\r\n鈴木,全車\r\n"_s)));
        };
        // The entry whose shown text begins with `entry`, picked in the open list.
        const auto choose = [](kaltero::widgets::ChoiceList* list, const QString& entry) {
            int index = -1;
            for (int i = 0; i < list->count() && index < 0; ++i) {
                index = list->itemText(i).startsWith(entry) ? i : -1;
            }
            QVERIFY2(index >= 0, qPrintable(entry));
            list->setCurrentIndex(index);
            Q_EMIT list->activated(index);
        };
        JournalFiles files;
        QStringList window;
        QDateTime killedAt;
        {
            ConsoleFixture race(masters);
            auto& ui = race.ui();
            for (int s : {0, 1}) {
                race.prompts.answerInput(u"127.0.0.1"_s);
                ui.Car[s]->Btn_ClientNoSet->click();
            }
            choose(ui.Car[0]->Cmb_Car, u"赤"_s);
            choose(ui.Car[1]->Cmb_Car, u"青"_s);
            choose(ui.Car[0]->Cmb_Driver, u"佐藤"_s);
            choose(ui.Car[1]->Cmb_Driver, u"鈴木"_s);
            choose(ui.Cmb_Course, u"富士"_s);
            kaltero::testing::focusOut(ui.Cmb_Course);  // the course counts once the list is left
            kaltero::testing::retype(ui.Txt_Event, u"耐久 第3戦"_s);
            kaltero::testing::retype(ui.Txt_Date, u"2026/04/05"_s);
            ui.Cmb_Tenki->setCurrentIndex(ui.Cmb_Tenki->findText(u"曇"_s));
            kaltero::testing::retype(ui.Txt_Kion, u"18"_s);
            kaltero::testing::retype(ui.Txt_RunH, u"1"_s);
            kaltero::testing::retype(ui.Txt_RunN, u"0"_s);
            kaltero::testing::retype(ui.Txt_AllOutMess, u"SC"_s);
            kaltero::testing::retype(ui.Car[1]->Txt_Nenpi, u"9.5"_s);
            ui.Btn_Start->click();
            TestCar car0(0);
            TestCar car1(1);
            for (int lap = 0; lap < 2; ++lap) {
                race.clock.advance(11'000);
                QVERIFY(car0.exchange(TestCar::lapReport(lap)).startsWith(u'N'));
                QVERIFY(car1.exchange(TestCar::lapReport(lap)).startsWith(u'N'));
            }
            window = windowAsShown(race.program.window());
            QVERIFY(race.program.journal()->flush());
            files = JournalFiles::of(QDir(race.dir.path()));
            killedAt = race.clock.now();
        }
        ConsoleFixture again(
            [&](const QDir& folder) {
                masters(folder);
                QVERIFY(files.copyTo(folder));
            },
            killedAt, true);
        const QStringList after = windowAsShown(again.program.window());
        for (int i = 0; i < std::max(window.size(), after.size()); ++i) {
            if (window.value(i) != after.value(i)) {
                qWarning("before: %s\nafter:  %s", qUtf8Printable(window.value(i)),
                         qUtf8Printable(after.value(i)));
            }
        }
        QCOMPARE(after, window);

        const QDateTime start = again.state().RaceStartTime;
        kaltero::testing::retype(again.ui().Txt_RunN, u"30"_s);
        QCOMPARE(again.state().RunN, u"30"_s);
        QVERIFY(again.state().EndTimeSet);
        QCOMPARE(again.state().RaceEndTime, start.addSecs(90 * 60));
    }

    // The second race of the day with the set-up of the first (nothing entered again), killed
    // mid-race: its cars are timed after the resume, lap numbers and drivers go on.
    void secondRaceOfTheDayResumes() {
        const auto drivers = [](const QDir& folder) {
            QVERIFY(writeBytes(folder.filePath(u"Drivers.ini"_s),
                               kaltero::platform::encodeCp932(u"Taro,全車\r\n"_s)));
        };
        JournalFiles files;
        {
            Race race;
            race.model.chooseDriver(0, u"Taro"_s, u"0"_s);
            TestCar car(0);
            race.start();  // practice
            race.clock.advance(1'000);
            race.stop();
            race.start();
            driveLaps(race, car, 0, 2);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        ConsoleFixture again(
            [&](const QDir& folder) {
                drivers(folder);
                QVERIFY(files.copyTo(folder));
            },
            ConsoleFixture::kStart.addSecs(60), true);
        QVERIFY(again.model.timing());
        QCOMPARE(again.model.car(0).LapCnt, 2);
        TestCar car(0);
        again.clock.advance(11'000);
        const QString reply = car.exchange(TestCar::lapReport(2));
        QVERIFY2(reply.startsWith(u'N'), qPrintable(reply));
        QCOMPARE(reply.mid(1, 3), u"003"_s);
        QCOMPARE(again.model.car(0).laps.value(2).driver, u"Taro"_s);
    }

    // A backup tool holds the journal locked at start-up: the operator is asked, closes it, and
    // the race is offered as ever; the file is never taken for a damaged one.
    void journalHeldAtStartUpIsWaitedFor() {
        JournalFiles files;
        {
            Race race;
            TestCar car(0);
            race.start();
            driveLaps(race, car, 0, 1);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        std::optional<QSqlDatabase> backup;
        const auto release = [&] {
            backup->close();
            backup.reset();
            QSqlDatabase::removeDatabase(u"backup"_s);
        };
        ConsoleFixture again(
            [&](const QDir& folder) {
                QVERIFY(files.copyTo(folder));
                backup = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"backup"_s);
                backup->setDatabaseName(folder.filePath(u"Kaltero.db"_s));
                QVERIFY(backup->open());
                QVERIFY(QSqlQuery(*backup).exec(u"PRAGMA locking_mode = EXCLUSIVE"_s));
                QVERIFY(QSqlQuery(*backup).exec(u"BEGIN EXCLUSIVE"_s));
                // Answered before the resume question the fixture queues: asked first.
                again.prompts.answerYesNo(true, release);
            },
            ConsoleFixture::kStart.addSecs(60), true);
        const QStringList texts = again.prompts.texts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[0].startsWith(u"計測記録ファイルを他のプログラムが使用しています。"_s));
        QCOMPARE(texts[1], u"前回の計測は終了していません。再開しますか？"_s);
        QVERIFY(again.model.timing());
        QCOMPARE(QDir(again.dir.path()).entryList({u"*.damaged-*"_s}, QDir::Files), QStringList());
    }

    // The wall clock or the time zone differs at the restart: race time goes on from the race's
    // own start as an instant, and never runs back behind what the race recorded.
    void resumeWhateverTheClockSays_data() {
        QTest::addColumn<qint64>("laterSecs");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint32>("tick");
        QTest::newRow("a minute later") << qint64(60) << QByteArray() << 60'000;
        QTest::newRow("time zone 9 h ahead") << qint64(60) << QByteArray("Asia/Tokyo") << 60'000;
        QTest::newRow("clock set back a minute") << qint64(-60) << QByteArray() << 22'000;
    }
    void resumeWhateverTheClockSays() {
        QFETCH(qint64, laterSecs);
        QFETCH(QByteArray, zone);
        QFETCH(qint32, tick);
        JournalFiles files;
        {
            Race race;
            TestCar car(0);
            race.start();
            driveLaps(race, car, 0, 2);
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        // The restart's moment as an instant, shown in the new zone's local time.
        const QDateTime restart = ConsoleFixture::kStart.addSecs(laterSecs).toUTC();
        const QByteArray was = qgetenv("TZ");
        if (!zone.isEmpty()) {
            qputenv("TZ", zone);
            tzset();
        }
        const auto back = qScopeGuard([&] {
            qputenv("TZ", was);
            tzset();
        });
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             restart.toLocalTime(), true);
        QCOMPARE(again.console.TickCnt(), tick);
        TestCar car(0);
        again.clock.advance(11'000);
        QVERIFY(car.exchange(TestCar::lapReport(2)).startsWith(u'N'));
        const auto& lap = again.model.car(0).laps.value(2);
        QVERIFY2(lap.ticks > 0 && lap.ticks <= again.console.TickCnt(),
                 qPrintable(QString::number(lap.ticks)));
    }

    // End while the journal cannot be written: the operator hears how much is not written and
    // may try again or end anyway.
    void endWithWritesFailing_data() {
        QTest::addColumn<bool>("retry");
        QTest::newRow("tries again once the lock is gone") << true;
        QTest::newRow("ends anyway") << false;
    }
    void endWithWritesFailing() {
        QFETCH(bool, retry);
        Race race;
        race.start();
        auto other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(race.dir.filePath(u"Kaltero.db"_s));
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec(u"BEGIN IMMEDIATE"_s));
        race.stop();
        race.prompts.answerYesNo(true);  // 終了します。よろしいですか？
        if (retry) {
            // The backup tool lets go while the question is up.
            race.prompts.answerYesNo(true, [&] { QSqlQuery(other).exec(u"ROLLBACK"_s); });
        } else {
            race.prompts.answerYesNo(false);
        }
        const qsizetype asked = race.prompts.calls().size();
        race.ui().Btn_End->click();
        QCOMPARE(race.quits, 1);
        const auto calls = race.prompts.calls().mid(asked);
        QVERIFY(std::any_of(calls.begin(), calls.end(), [](const auto& c) {
            return c.text.contains(u"件の操作をまだ書き込めていません"_s);
        }));
        QSqlQuery(other).exec(u"ROLLBACK"_s);
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"other"_s);
        kaltero::journal::Journal j;
        QVERIFY(j.open(race.dir.filePath(u"Kaltero.db"_s)));
        // Ended anyway: the race is unfinished on disk and offered again.
        QCOMPARE(j.unfinishedRace().isEmpty(), retry);
    }

    // The window after a resume is the window before: a stopped car's laps stay editable, the
    // stopwatch runs on, the standings are shown before any car reports.
    void windowAfterResumeIsTheWindowBefore() {
        JournalFiles files;
        QStringList standings;
        QStringList window;
        {
            Race race({0, 1});
            TestCar car0(0);
            TestCar car1(1);
            race.start();
            race.clock.advance(11'000);
            QVERIFY(car0.exchange(TestCar::lapReport(0)).startsWith(u'N'));
            QVERIFY(car1.exchange(TestCar::lapReport(0)).startsWith(u'N'));
            race.prompts.answerYesNo(true);
            race.ui().Car[1]->Btn_RunStop->click();
            race.ui().Btn_OtherLap->click();
            auto& ui = race.ui();
            ui.Txt_Event->setText(u"耐久 第3戦"_s);
            ui.Txt_AllOutMess->setText(u"SC"_s);
            ui.Car[0]->Txt_OutMess->setText(u"BOX"_s);
            kaltero::testing::retype(ui.Car[0]->Txt_Nenpi, u"8.5"_s);
            kaltero::testing::retype(ui.Car[0]->Txt_InGasl, u"40"_s);
            ui.Car[0]->Btn_Kyuyu->click();
            race.model.editLapRemarks(0, 1, u"ピット"_s);
            standings = boardShown(race);
            window = windowAsShown(race.program.window());
            QVERIFY(race.program.journal()->flush());
            files = JournalFiles::of(QDir(race.dir.path()));
        }
        ConsoleFixture again([&](const QDir& folder) { QVERIFY(files.copyTo(folder)); },
                             ConsoleFixture::kStart.addSecs(60), true);
        auto& ui = again.ui();
        QVERIFY(ui.Car[1]->isEnabled());
        QVERIFY(!ui.Car[1]->Btn_RunStop->isEnabled());
        QVERIFY(ui.Car[0]->Btn_RunStop->isEnabled());
        QCOMPARE(ui.Btn_OtherLap->text(), u"Stop"_s);
        QVERIFY(ui.Lbl_OtherLap->text() !=
                kaltero::timing::FormatLapTime(0, again.console.settings));
        QCOMPARE(boardShown(again), standings);
        const QStringList after = windowAsShown(again.program.window());
        for (int i = 0; i < std::max(window.size(), after.size()); ++i) {
            if (window.value(i) != after.value(i)) {
                qWarning("before: %s\nafter:  %s", qUtf8Printable(window.value(i)),
                         qUtf8Printable(after.value(i)));
            }
        }
        QCOMPARE(after, window);
    }

    // A second console on the same folder would share the journal and the car ports: it refuses
    // before its window (and so any port) exists.
    void secondConsoleOnTheSameFolderRefuses() {
        ConsoleFixture first;
        kaltero::platform::ManualClock clock(ConsoleFixture::kStart);
        kaltero::platform::ScriptedPrompts prompts;
        kaltero::model::RaceModel model;
        kaltero::core::Console console{prompts, clock, model, model.state()};
        kaltero::engine::RaceEngine engine{console};
        int quits = 0;
        kaltero::console::Application second{console, engine, first.dir.path(),
                                             [&quits] { ++quits; }};
        second.start();
        clock.advance(3000);
        QCOMPARE(quits, 1);
        QVERIFY(second.window() == nullptr);
        QCOMPARE(prompts.calls().size(), 1);
        QVERIFY(prompts.calls()[0].text.startsWith(u"このフォルダのKalteroは既に動いています。"_s));
        QVERIFY(first.model.state().car[0].Address.isEmpty());  // the first goes on untouched
    }
};

QTEST_MAIN(TestResume)
#include "test_resume.moc"
