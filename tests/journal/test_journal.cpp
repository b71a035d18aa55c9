#include "common/file_bytes.h"
#include "journal/journal.h"
#include "model/race_model.h"
#include "race/report_inputs.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(10, 0, 0)};

core::Lap timedLap(qint32 ticks, const QString& driver) {
    core::Lap lap;
    lap.timed = true;
    lap.ticks = ticks;
    lap.timeText = QString::number(ticks);
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
QStringList rebuiltReport(const QList<model::Change>& ops) {
    model::RaceModel race;
    for (const model::Change& c : ops) {
        race.replay(c);
    }
    return reportOf(race);
}

QStringList reportOf(const model::RaceModel& race) {
    return race::reportLines(race::reportInputs(race.state()));
}

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
            // No flush: the laps are on disk already, the refuelling waits for its second.
            QCOMPARE(live.journal.waiting(), 1);
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
        QTest::newRow("newer schema") << u"newer"_s;
        QTest::newRow("damaged") << u"damaged"_s;
    }
    void unusableFileIsMovedAside() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kaltero.db"_s);
        if (kind == u"text") {
            QVERIFY(testing::writeBytes(path, QByteArray("no journal here\n").repeated(100)));
        } else {
            {
                Recorded r(path);
                QVERIFY(r.following());
                setUpAndLap(r.race, 20);
            }
            if (kind == u"newer") {
                auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"raw"_s);
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(u"PRAGMA user_version = 99"_s));
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(u"raw"_s);
            } else {
                QByteArray bytes = testing::readBytes(path);
                bytes.replace(bytes.size() / 2, 4096, QByteArray(4096, '\xA5'));
                QVERIFY(testing::writeBytes(path, bytes));
            }
        }
        const QByteArray before = testing::readBytes(path);
        journal::Journal j;
        QString movedTo;
        QVERIFY(j.open(path, &movedTo));
        QVERIFY2(movedTo.startsWith(path + u".damaged-"), qPrintable(movedTo));
        QCOMPARE(testing::readBytes(movedTo), before);
        QVERIFY(j.unfinishedRace().isEmpty());
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
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
