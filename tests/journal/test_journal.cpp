#include "common/file_bytes.h"
#include "common/whole_race.h"
#include "journal/journal.h"
#include "link/figure_text.h"
#include "model/race_model.h"
#include "race/report_inputs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

using namespace kaltero;
using testing::wholeRace;
using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(10, 0, 0)};

core::Lap timedLap(qint32 ticks, const QString& driver) {
    core::Lap lap;
    lap.timed = true;
    lap.ticks = ticks;
    lap.driver = driver;
    return lap;
}

// A car set up while idle, a started race with laps and a refuelling.
void setUpAndLap(model::RaceModel& race, int laps) {
    race.setAddress(0, u"10.0.0.1"_s, true);
    race.chooseDriver(0, u"山田"_s, u"0"_s);
    race.start(kStart, std::nullopt);
    for (int lap = 1; lap <= laps; ++lap) {
        race.countLap(0, u"0"_s);
        race.recordLap(0, lap, timedLap(80000 + lap, u"山田"_s), 80000 * lap, {}, u"rec"_s);
        race.reportHandled(0, 80000 * lap);
    }
    race.refuel(0, 30.0F);
}

// A race recorded by a journal at path.
struct Recorded {
    explicit Recorded(const QString& path) { ok = journal.open(path); }
    model::RaceModel race;
    journal::Journal journal;
    bool ok = false;
    bool following() {
        journal.follow(race);
        return ok;
    }
};

// The race the operations rebuild.
QStringList reportOf(const model::RaceModel& race);
std::unique_ptr<model::RaceModel> rebuilt(const QList<model::Change>& ops) {
    auto race = std::make_unique<model::RaceModel>();
    for (const model::Change& c : ops) {
        race->replay(c);
    }
    return race;
}
QStringList rebuiltReport(const QList<model::Change>& ops) {
    return reportOf(*rebuilt(ops));
}

QStringList reportOf(const model::RaceModel& race) {
    return race::reportLines(race::reportInputs(race.state(), core::Settings{}));
}

// Another program's connection to the journal (a backup tool, a viewer).
struct Intruder {
    explicit Intruder(const QString& path) {
        db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"intruder"_s);
        db.setDatabaseName(path);
        db.open();
    }
    ~Intruder() {
        QSqlQuery(db).exec(u"ROLLBACK"_s);
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"intruder"_s);
    }
    bool exec(const QString& sql) { return QSqlQuery(db).exec(sql); }
    qint64 count(const QString& sql) {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
    }
    QSqlDatabase db;
};

}  // namespace

class TestJournal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A race killed in the middle comes back whole from its operations.
    void unfinishedRaceIsRebuiltFromItsOperations() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        QStringList report;
        {
            Recorded live(path);
            QVERIFY(live.following());
            setUpAndLap(live.race, 3);
            // No flush: the laps are on disk already; the refuelling and the last report wait
            // for their second.
            QCOMPARE(live.journal.waiting(), 2);
            report = reportOf(live.race);
        }
        journal::Journal again;
        QVERIFY(again.open(path));
        const QList<model::Change> ops = again.unfinishedRace();
        QVERIFY(!ops.isEmpty());
        // Start carries the set-up: nothing before it is needed.
        QCOMPARE(ops.first().op, model::Op::Started);
        QCOMPARE(
            std::count_if(ops.begin(), ops.end(),
                          [](const model::Change& c) { return c.op == model::Op::LapRecorded; }),
            3);
        QCOMPARE(rebuiltReport(ops), report);
    }

    void stoppedOrAbandonedRaceIsNeverOffered_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stopped") << true;
        QTest::newRow("abandoned") << false;
    }
    void stoppedOrAbandonedRaceIsNeverOffered() {
        QFETCH(bool, stop);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            Recorded r(path);
            QVERIFY(r.following());
            setUpAndLap(r.race, 1);
            if (stop) {
                r.race.stop();
            }
        }
        journal::Journal again;
        QVERIFY(again.open(path));
        if (!stop) {
            QVERIFY(!again.unfinishedRace().isEmpty());
            again.abandonUnfinished();
        }
        QVERIFY(again.unfinishedRace().isEmpty());
    }

    // A file the console cannot use is moved aside, never deleted, and a new journal begins.
    void unusableFileIsMovedAside_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a database") << u"text"_s;
        QTest::newRow("another program's database") << u"foreign"_s;
        QTest::newRow("damaged") << u"damaged"_s;
    }
    void unusableFileIsMovedAside() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        if (kind == u"text") {
            QVERIFY(testing::writeBytes(path, QByteArray("no journal here\n").repeated(100)));
        } else if (kind == u"foreign") {
            Intruder other(path);
            QVERIFY(other.exec(u"CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)"_s));
            QVERIFY(other.exec(u"INSERT INTO notes (text) VALUES ('買い物')"_s));
        } else {
            {
                Recorded r(path);
                QVERIFY(r.following());
                setUpAndLap(r.race, 20);
            }
            QByteArray bytes = testing::readBytes(path);
            bytes.replace(bytes.size() / 2, 4096, QByteArray(4096, '\xA5'));
            QVERIFY(testing::writeBytes(path, bytes));
        }
        const QByteArray before = testing::readBytes(path);
        journal::Journal j;
        QString movedTo;
        QVERIFY(j.open(path, &movedTo));
        QVERIFY2(movedTo.startsWith(path + u".damaged-"), qPrintable(movedTo));
        QCOMPARE(testing::readBytes(movedTo), before);
        QVERIFY(j.unfinishedRace().isEmpty());
    }

    // A healthy journal the console cannot use now is left as it is, never moved aside or
    // written, and the reason is told as what it is.
    void usableLaterIsNeverMovedAside_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("fault");
        using F = journal::Journal::OpenFault;
        QTest::newRow("newer console") << u"newer"_s << int(F::Newer);
        QTest::newRow("full medium, migration due") << u"full"_s << int(F::NotWritable);
        QTest::newRow("read-only medium") << u"readonly"_s << int(F::NotWritable);
        QTest::newRow("previous release, locked") << u"locked"_s << int(F::Locked);
    }
    void usableLaterIsNeverMovedAside() {
        QFETCH(QString, kind);
        QFETCH(int, fault);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            Recorded r(path);
            QVERIFY(r.following());
            setUpAndLap(r.race, 3);
        }
        {
            Intruder other(path);
            if (kind == u"newer") {
                QVERIFY(other.exec(u"PRAGMA user_version = 99"_s));
            } else {
                // The previous release's schema: opening it migrates, which writes.
                QVERIFY(other.exec(u"DROP TABLE last_messages"_s));
                QVERIFY(other.exec(u"ALTER TABLE races DROP COLUMN started_ms"_s));
                QVERIFY(other.exec(u"VACUUM"_s));  // no free page: the migration must grow it
                QVERIFY(other.exec(u"PRAGMA user_version = 1"_s));
            }
        }
        std::optional<Intruder> holder;
        if (kind == u"locked") {
            holder.emplace(path);
            QVERIFY(holder->exec(u"BEGIN IMMEDIATE"_s));
        }
        const QByteArray before = testing::readBytes(path);
        {
            journal::Journal j;
            if (kind == u"full") {
                j.limitSize(4096);
            } else if (kind == u"readonly") {
                j.openReadOnly();
            }
            QString movedTo;
            QVERIFY(!j.open(path, &movedTo, nullptr, 200));
            QCOMPARE(int(j.openFault()), fault);
            QVERIFY(movedTo.isEmpty());
        }
        QCOMPARE(QDir(dir.path()).entryList({u"*.damaged-*"_s}, QDir::Files), QStringList());
        QCOMPARE(testing::readBytes(path), before);
        holder.reset();
        if (kind != u"newer") {
            journal::Journal j;
            QVERIFY(j.open(path));
            QVERIFY(!j.unfinishedRace().isEmpty());
        }
    }

    // Pruning gives the space back: the main file shrinks and no large log is left beside it.
    void pruningShrinksTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            Recorded r(path);
            QVERIFY(r.following());
            for (int day = 0; day < 20; ++day) {
                r.race.setAddress(0, u"10.0.0.1"_s, true);
                r.race.start(kStart.addDays(day), std::nullopt);
                for (int lap = 1; lap <= 60; ++lap) {
                    r.race.countLap(0, u"0"_s);
                    r.race.recordLap(0, lap, timedLap(80000, u"山田"_s), 80000 * lap, {}, u"r"_s);
                }
                r.race.stop();
            }
            r.race.start(kStart.addDays(40), std::nullopt);
        }
        const qint64 before = QFileInfo(path).size();
        journal::Journal j;
        QVERIFY(j.open(path));
        j.prune(10, kStart.addDays(41).toMSecsSinceEpoch());
        const qint64 after = QFileInfo(path).size();
        QVERIFY2(after * 4 < before, qPrintable(u"%1 -> %2"_s.arg(before).arg(after)));
        QVERIFY2(QFileInfo(path + u"-wal"_s).size() < before / 4,
                 qPrintable(QString::number(QFileInfo(path + u"-wal"_s).size())));
        QVERIFY(!j.unfinishedRace().isEmpty());
    }

    // The file deleted or replaced while timing: the operator is told once, the whole race is
    // written anew at the path (what was put there kept aside) and the journal goes on.
    void fileGoneWhileTimingIsWrittenAnew_data() {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced by another file") << true;
    }
    void fileGoneWhileTimingIsWrittenAnew() {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        Recorded r(path);
        QVERIFY(r.following());
        QSignalSpy told(&r.journal, &journal::Journal::fileReplaced);
        setUpAndLap(r.race, 5);
        const QByteArray other("an older copy\n");
        if (replaced) {
            const QString copy = dir.filePath(u"copy"_s);
            QVERIFY(testing::writeBytes(copy, other));
            std::filesystem::rename(copy.toStdString(), path.toStdString());
        } else {
            QVERIFY(QFile::remove(path));
        }
        for (int lap = 6; lap <= 20; ++lap) {
            r.race.countLap(0, u"0"_s);
            r.race.recordLap(0, lap, timedLap(80000, u"山田"_s), 80000 * lap, {}, u"rec"_s);
        }
        r.race.stop();
        QTRY_COMPARE(told.size(), 1);
        r.race.start(kStart.addDays(1), std::nullopt);
        r.race.stop();
        QVERIFY(r.journal.flush());
        QCOMPARE(told.size(), 1);
        {
            Intruder fromFile(path);
            QCOMPARE(fromFile.count(u"SELECT COUNT(*) FROM operations WHERE op = 'lap recorded'"_s),
                     20);
            QCOMPARE(fromFile.count(u"SELECT COUNT(*) FROM races WHERE state = 'stopped'"_s), 2);
        }
        QStringList aside = QDir(dir.path()).entryList({u"*.replaced-*"_s}, QDir::Files);
        aside.removeIf([](const QString& name) {  // the old file's log goes aside with it
            return name.endsWith(u"-wal"_s) || name.endsWith(u"-shm"_s);
        });
        if (replaced) {
            QCOMPARE(aside.size(), 1);
            QCOMPARE(testing::readBytes(dir.filePath(aside.first())), other);
        }
    }

    // A full medium: timing goes on, the operator is told once, and the journal catches up.
    void fullMediumIsToldOnceAndCaughtUp() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        Recorded r(path);
        QVERIFY(r.following());
        QSignalSpy told(&r.journal, &journal::Journal::writeFailed);
        r.journal.limitSize(16 * 1024);
        setUpAndLap(r.race, 60);
        QCOMPARE(told.size(), 1);
        QVERIFY(r.journal.waiting() > 0);
        QCOMPARE(r.race.car(0).LapCnt, 60);
        r.journal.limitSize(64 * 1024 * 1024);
        QVERIFY(r.journal.flush());
        QCOMPARE(r.journal.waiting(), 0);
        QCOMPARE(rebuiltReport(r.journal.unfinishedRace()), reportOf(r.race));
    }

    // Every kind of operation, written and read back through the file, rebuilds the same race.
    void everyOperationSurvivesTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        QByteArray before;
        {
            Recorded r(path);
            QVERIFY(r.following());
            auto& race = r.race;
            race.setAddress(0, u"10.0.0.1"_s, true);
            race.setAddress(1, u"10.0.0.2"_s, true);
            race.setAddress(2, u"10.0.0.3"_s, true);
            race.clearAddress(2);
            race.chooseCar(0, u"赤"_s, u"60"_s, 60.0F, 8500.0F);
            race.chooseCourse(u"鈴鹿"_s, 5807);
            race.editEventData({u"耐久"_s, u"2026/04/03"_s, u"晴"_s, u"21"_s});
            race.editRaceLength(u"2"_s, u"30"_s, std::nullopt);
            race.chooseDriver(0, u"山田"_s, u"0"_s);
            race.switchCountdown(1, true, u"12"_s);  // only the Start's set-up carries it
            race.start(kStart, kStart.addSecs(9000));
            race.switchCountdown(0, true, u"5"_s);
            race.editCountdown(0, u"4"_s);
            race.countLap(0, u"3"_s);
            race.recordLap(0, 1, timedLap(81000, u"山田"_s), 81000, {}, u"rec"_s);
            race.typeMessage(0, u"BOX"_s);
            race.typeAllCarMessage(u"SC"_s);
            race.showMessage(1, u"油温高め"_s);
            race.editLapTime(0, 1, u"1'20\"000"_s, 80000);
            race.editLapDriver(0, 1, u"鈴木"_s);
            race.editLapRemarks(0, 1, u"ピット"_s);
            race.correctLapCount(1, 2);
            race.refuel(0, 40.0F);
            race.editEconomy(0, 9000.0F);
            race.showChoices(1, u"青"_s, u"佐藤"_s);
            race.startStopwatch(90000);
            race.stopStopwatch(95000);
            race.startStopwatch(96000);
            race.editRaceLength(u"3"_s, u"0"_s, kStart.addSecs(10800));
            race.stopCar(1);
            QVERIFY(r.journal.flush());
            before = wholeRace(race);
        }
        journal::Journal again;
        QVERIFY(again.open(path));
        const auto race = rebuilt(again.unfinishedRace());
        QCOMPARE(wholeRace(*race), before);
    }

    // Another program holds the journal's write lock: no operation waits for it longer than
    // the bound, the operator is told once, and nothing is dropped once the lock is gone.
    void heldLockNeverHoldsTiming_data() {
        QTest::addColumn<bool>("fromStart");
        QTest::newRow("held at Start") << true;
        QTest::newRow("held mid-race") << false;
    }
    void heldLockNeverHoldsTiming() {
        QFETCH(bool, fromStart);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        Recorded r(path);
        QVERIFY(r.following());
        QSignalSpy told(&r.journal, &journal::Journal::writeFailed);
        Intruder other(path);
        auto& race = r.race;
        race.setAddress(0, u"10.0.0.1"_s, true);
        race.chooseDriver(0, u"山田"_s, u"0"_s);
        if (!fromStart) {
            race.start(kStart, std::nullopt);
        }
        QVERIFY(other.exec(u"BEGIN IMMEDIATE"_s));
        if (fromStart) {
            race.start(kStart, std::nullopt);
        }
        qint64 longest = 0;
        for (int lap = 1; lap <= 10; ++lap) {
            QElapsedTimer t;
            t.start();
            race.countLap(0, u"0"_s);
            race.recordLap(0, lap, timedLap(80000 + lap, u"山田"_s), 80000 * lap, {}, u"rec"_s);
            longest = std::max(longest, t.elapsed());
        }
        QVERIFY2(longest <= 50, qPrintable(QString::number(longest)));
        QCOMPARE(told.size(), 1);
        QVERIFY(r.journal.waiting() > 0);
        QVERIFY(other.exec(u"ROLLBACK"_s));
        QVERIFY(r.journal.flush());
        QCOMPARE(rebuiltReport(r.journal.unfinishedRace()), reportOf(race));
    }

    // A journal another program holds locked at start-up is a healthy file: waited for, then
    // reported as held, never moved aside.
    void lockedAtStartUpIsNotDamaged() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            Recorded r(path);
            QVERIFY(r.following());
            setUpAndLap(r.race, 2);
        }
        {
            Intruder other(path);
            QVERIFY(other.exec(u"PRAGMA locking_mode = EXCLUSIVE"_s));
            QVERIFY(other.exec(u"BEGIN EXCLUSIVE"_s));
            journal::Journal j;
            QString movedTo;
            QVERIFY(!j.open(path, &movedTo, nullptr, 200));
            QVERIFY(j.heldByAnother());
            QVERIFY(movedTo.isEmpty());
            QCOMPARE(QDir(dir.path()).entryList({u"*.damaged-*"_s}, QDir::Files), QStringList());
        }
        journal::Journal j;
        QVERIFY(j.open(path));
        QVERIFY(!j.unfinishedRace().isEmpty());
    }

    // A copy of Kaltero.db alone (no -wal beside it) holds the race: after a Stop, and while
    // timing once a few hundred rows were written.
    void mainFileAloneHoldsTheRace_data() {
        QTest::addColumn<int>("laps");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("atLeast");
        QTest::newRow("stopped") << 3 << true << 3;
        QTest::newRow("timing, many rows") << 400 << false << 300;
    }
    void mainFileAloneHoldsTheRace() {
        QFETCH(int, laps);
        QFETCH(bool, stop);
        QFETCH(int, atLeast);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        Recorded r(path);
        QVERIFY(r.following());
        setUpAndLap(r.race, laps);
        if (stop) {
            r.race.stop();
        }
        QCoreApplication::processEvents();  // the write-back follows the replies
        const QString copy = dir.filePath(u"copy.db"_s);
        QVERIFY(QFile::copy(path, copy));
        Intruder fromCopy(copy);
        QVERIFY(fromCopy.count(u"SELECT COUNT(*) FROM operations WHERE op = 'lap recorded'"_s) >=
                atLeast);
        QCOMPARE(fromCopy.count(u"SELECT COUNT(*) FROM races WHERE state = 'stopped'"_s),
                 stop ? 1 : 0);
    }

    // Every commit is synced: a power cut loses nothing the journal said it wrote.
    void everyCommitIsSynced() {
        QTemporaryDir dir;
        journal::Journal j;
        QVERIFY(j.open(dir.filePath(u"Kaltero.db"_s)));
        QVERIFY(j.syncsEveryCommit());
    }

    // A car whose message changes at every report adds no rows: only its last message is kept.
    void chattyCarAddsNoRows() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        Recorded r(path);
        QVERIFY(r.following());
        setUpAndLap(r.race, 1);
        for (int i = 0; i < 50; ++i) {
            r.race.showMessage(0, u"水温 "_s + QString::number(80 + i));
            QVERIFY(r.journal.flush());
        }
        Intruder other(path);
        QCOMPARE(other.count(u"SELECT COUNT(*) FROM operations WHERE op = 'message received'"_s),
                 0);
        const auto race = rebuilt(r.journal.unfinishedRace());
        QCOMPARE(race->car(0).InMsg, u"水温 129"_s);
    }

    // Races older than the days kept are forgotten; the newer ones and an unfinished one stay.
    void oldRacesArePruned() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        const QDateTime now = kStart.addDays(40);
        {
            Recorded r(path);
            QVERIFY(r.following());
            for (const QDateTime& start : {kStart, kStart.addDays(20), kStart.addDays(39)}) {
                r.race.setAddress(0, u"10.0.0.1"_s, true);
                r.race.start(start, std::nullopt);
                r.race.stop();
            }
            r.race.start(kStart.addDays(1), std::nullopt);  // never stopped
        }
        journal::Journal j;
        QVERIFY(j.open(path));
        j.prune(30, now.toMSecsSinceEpoch());
        Intruder other(path);
        QCOMPARE(other.count(u"SELECT COUNT(*) FROM races"_s), 3);
        QCOMPARE(other.count(u"SELECT COUNT(*) FROM operations WHERE race NOT IN "
                             "(SELECT id FROM races)"_s),
                 0);
        QVERIFY(!j.unfinishedRace().isEmpty());
    }

    // A journal the previous release left (schema 1: local start text, idle operations before
    // Start, figures under their old keys) still resumes its unfinished race.
    void previousReleaseJournalResumes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            Intruder old(path);
            for (const QString& sql :
                 {u"CREATE TABLE races (id INTEGER PRIMARY KEY, started TEXT NOT NULL, state "
                  "TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'abandoned')))"_s,
                  u"CREATE TABLE operations (id INTEGER PRIMARY KEY AUTOINCREMENT, race INTEGER "
                  "NOT NULL REFERENCES races(id), op TEXT NOT NULL, slot INTEGER NOT NULL, lap "
                  "INTEGER NOT NULL, detail TEXT NOT NULL, args TEXT NOT NULL)"_s,
                  u"PRAGMA user_version = 1"_s,
                  u"INSERT INTO races VALUES (1, '2026-04-03T10:00:00', 'running')"_s,
                  u"INSERT INTO operations (race, op, slot, lap, detail, args) VALUES "
                  "(1, 'address set', 0, 0, '10.0.0.1', "
                  "'{\"address\":\"10.0.0.1\",\"setUp\":true}'),"
                  "(1, 'driver chosen', 0, 0, '山田', '{\"countdown\":\"0\",\"name\":\"山田\"}'),"
                  "(1, 'started', -1, 0, '2026-04-03T10:00:00', "
                  "'{\"end\":null,\"start\":\"2026-04-03T10:00:00.000\"}'),"
                  "(1, 'lap counted', 0, 1, '', '{\"countdown\":\"0\"}'),"
                  "(1, 'lap recorded', 0, 1, '83000', '{\"lap\":{\"timed\":true,\"ticks\":83000,"
                  "\"timeText\":\"1''23\\\"000\",\"driver\":\"山田\",\"remarks\":\"\",\"log\":\"\","
                  "\"corrected\":false,\"edited\":false,\"endTick\":83000},\"tick\":83000,"
                  "\"figures\":{\"BestLapTicks\":83000,\"BestLapNo\":1,\"Lbl_BestLapTm\":\"1周目\"}"
                  ","
                  "\"record\":\"r\"}')"_s}) {
                QVERIFY2(old.exec(sql), qPrintable(sql));
            }
        }
        journal::Journal j;
        QString movedTo;
        QVERIFY(j.open(path, &movedTo));
        QVERIFY(movedTo.isEmpty());
        const auto race = rebuilt(j.unfinishedRace());
        QVERIFY(race->timing());
        QCOMPARE(race->state().RaceStartTime, kStart);
        QCOMPARE(race->car(0).Address, u"10.0.0.1"_s);
        QCOMPARE(race->car(0).LapCnt, 1);
        QCOMPARE(race->car(0).laps.value(0).driver, u"山田"_s);
        QCOMPARE(race->latestTick(), 83000);
    }

    // Journals of earlier releases carry the driver table as the texts it showed, and a lap's
    // figures as the texts of the labels that showed them: the race comes back showing the
    // same. Shown: each driver row "name|best|average", then the car's five figures.
    void shownFiguresOfEarlierReleasesResume_data() {
        QTest::addColumn<QVariantList>("drivers");  // the driver table of the set-up, as written
        QTest::addColumn<QVariantMap>("figures");   // the figures of a recorded lap; none: no lap
        QTest::addColumn<QStringList>("shown");
        const QStringList noFigures(5);
        const auto row = [](const QString& name, const QString& best, const QString& average) {
            return QVariant(QStringList{name, best, average});
        };
        QTest::newRow("driver table")
            << QVariantList{row(u"山田"_s, u"1'22\"000-3L"_s, u"1'22\"500"_s),
                            row(u"佐藤"_s, u"-"_s, u"-"_s), row(u"鈴木"_s, {}, {})}
            << QVariantMap()
            << QStringList{u"山田|1'22\"000-3L|1'22\"500"_s, u"佐藤|-|-"_s, u"鈴木||"_s} +
                   noFigures;
        QTest::newRow("driver table timed at 1/100")
            << QVariantList{row(u"山田"_s, u"1'22\"00-3L"_s, u"1'22\"50"_s)} << QVariantMap()
            << QStringList{u"山田|1'22\"00-3L|1'22\"50"_s} + noFigures;
        QTest::newRow("driver table with fields below zero")
            << QVariantList{row(u"山田"_s, u"0'-01\"-500-2L"_s, u"-1'-01\"000"_s)} << QVariantMap()
            << QStringList{u"山田|0'-01\"-500-2L|-1'-01\"000"_s} + noFigures;
        QTest::newRow("figures of a lap")
            << QVariantList{row(u"山田"_s, {}, {})}
            << QVariantMap{{u"BestLapTicks"_s, 82500},
                           {u"BestLapNo"_s, 2},
                           {u"BestLapTxt"_s, u"1'22\"500"_s},
                           {u"AveLapTicks"_s, 82666},
                           {u"DrvBestLapTicks"_s, 82500},
                           {u"DrvBestLapNo"_s, 2},
                           {u"DrvTotalTicks"_s, 248000},
                           {u"DrvLapCnt"_s, 3},
                           {u"Lbl_BestLapTm"_s, u"2周目 1'22\"500"_s},
                           {u"Lbl_AveLapTm"_s, u"1'22\"666"_s},
                           {u"Lbl_YosoSyu"_s, u"あと7周"_s},
                           {u"Lbl_DrvrBestLapTm"_s, u"1'22\"500-2L"_s},
                           {u"Lbl_DrvrAveLapTm"_s, u"1'22\"667"_s}}
            << QStringList{u"山田|1'22\"500-2L|1'22\"667"_s,
                           u"2周目 1'22\"500"_s,
                           u"1'22\"666"_s,
                           u"あと7周"_s,
                           u"1'22\"500-2L"_s,
                           u"1'22\"667"_s};
        QTest::newRow("figures of a lap without a time")
            << QVariantList{row(u"山田"_s, {}, {})}
            << QVariantMap{{u"BestLapTicks"_s, core::kNoLapTicks},
                           {u"BestLapNo"_s, 0},
                           {u"BestLapTxt"_s, u"4473'55\"455"_s},
                           {u"AveLapTicks"_s, 0},
                           {u"DrvBestLapTicks"_s, core::kNoLapTicks},
                           {u"DrvBestLapNo"_s, 0},
                           {u"DrvTotalTicks"_s, 0},
                           {u"DrvLapCnt"_s, 1},
                           {u"Lbl_BestLapTm"_s, u"-"_s},
                           {u"Lbl_AveLapTm"_s, u"-"_s},
                           {u"Lbl_YosoSyu"_s, QString()},
                           {u"Lbl_DrvrBestLapTm"_s, u"-"_s},
                           {u"Lbl_DrvrAveLapTm"_s, u"-"_s}}
            << QStringList{u"山田|-|-"_s, u"-"_s, u"-"_s, QString(), u"-"_s, u"-"_s};
    }
    void shownFiguresOfEarlierReleasesResume() {
        QFETCH(QVariantList, drivers);
        QFETCH(QVariantMap, figures);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        {
            journal::Journal fresh;
            QVERIFY(fresh.open(path));
        }
        {
            Intruder old(path);
            QVERIFY(old.exec(
                u"INSERT INTO races (id, started, started_ms, state) VALUES "
                "(1, '2026-04-03T10:00:00', %1, 'running')"_s.arg(kStart.toMSecsSinceEpoch())));
            const auto op = [&old](const QString& name, int slot, int lap,
                                   const QVariantMap& args) {
                QSqlQuery q(old.db);
                q.prepare(
                    u"INSERT INTO operations (race, op, slot, lap, detail, args) "
                    "VALUES (1, ?, ?, ?, '', ?)"_s);
                q.addBindValue(name);
                q.addBindValue(slot);
                q.addBindValue(lap);
                q.addBindValue(QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(args))
                                                     .toJson(QJsonDocument::Compact)));
                return q.exec();
            };
            const QVariantMap slot{{u"address"_s, u"10.0.0.1"_s},
                                   {u"setUp"_s, true},
                                   {u"driver"_s, u"山田"_s},
                                   {u"driverRow"_s, 1},
                                   {u"drivers"_s, drivers}};
            QVERIFY(op(u"started"_s, -1, 0,
                       {{u"startMs"_s, kStart.toMSecsSinceEpoch()},
                        {u"endMs"_s, QVariant()},
                        {u"setUp"_s, QVariantMap{{u"slots"_s, QVariantList{slot}}}}}));
            if (!figures.isEmpty()) {
                QVERIFY(op(u"lap counted"_s, 0, 1, {{u"countdown"_s, u"0"_s}}));
                QVERIFY(op(u"lap recorded"_s, 0, 1,
                           {{u"lap"_s, model::argsOf(timedLap(82500, u"山田"_s))},
                            {u"tick"_s, 82500},
                            {u"figures"_s, figures},
                            {u"record"_s, u"r"_s}}));
            }
        }
        journal::Journal j;
        QVERIFY(j.open(path));
        const auto race = rebuilt(j.unfinishedRace());
        const core::Settings settings;
        QStringList shown;
        for (const core::DriverFigures& d : race->car(0).drivers) {
            const link::DriverFigureTexts texts = link::driverFigureTexts(d, settings);
            shown << d.name + u'|' + texts.best + u'|' + texts.average;
        }
        const link::CarFigureTexts car = link::carFigureTexts(race->car(0), settings);
        shown << car.best << car.average << car.predicted << car.driverBest << car.driverAverage;
        QTEST(shown, "shown");
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
