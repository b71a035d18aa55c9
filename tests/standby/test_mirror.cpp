// A standby rebuilds a console's race from its published operations, into its race and its own
// journal: repeats dropped, a loss told and never rebuilt wrong, the next race followed again.
#include "common/whole_race.h"
#include "core/console_context.h"
#include "engine/engine_run.h"
#include "engine/race_engine.h"
#include "journal/journal.h"
#include "link/lap_closing.h"
#include "model/race_model.h"
#include "relay/ops_message.h"
#include "standby/mirror.h"
#include "standby/source_race.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace kaltero;
using testing::Compare;
using testing::EngineRun;
using testing::SourceRace;
using testing::wholeRace;
using State = standby::Mirror::State;

// Seqs sent, each range in turn: {from, to}, to 0 for the race's last operation.
using Sends = QList<QPair<int, int>>;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

QStringList texts(const QList<model::Change>& ops) {
    QStringList lines;
    for (const model::Change& c : ops) {
        lines << c.logLine() + u" | " +
                     QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(model::argsOf(c)))
                                           .toJson(QJsonDocument::Compact));
    }
    return lines;
}

// The race the first `count` operations make, rebuilt as a resume rebuilds it.
QByteArray replayed(const QList<model::Change>& ops, qsizetype count,
                    const core::Settings& settings) {
    model::RaceModel race;
    race.setFigureRule([&](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
        return link::figuresOfLap(laps, car, remain, settings);
    });
    for (qsizetype i = 0; i < count; ++i) {
        race.replay(ops[i]);
    }
    return wholeRace(race);
}

}  // namespace

class TestMirror : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { source_ = std::make_unique<SourceRace>(clock_); }

    void rebuildsTheRace_data() {
        QTest::addColumn<Sends>("sends");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("held");  // 0: every operation, -1: none
        QTest::addColumn<int>("missedTo");
        QTest::newRow("in order") << Sends{{1, 0}} << State::Following << 0 << 0;
        QTest::newRow("sent again after a reconnect")
            << Sends{{1, 12}, {6, 0}} << State::Following << 0 << 0;
        QTest::newRow("all sent twice") << Sends{{1, 0}, {1, 0}} << State::Following << 0 << 0;
        QTest::newRow("one lost") << Sends{{1, 10}, {12, 0}} << State::Missed << 10 << 12;
        QTest::newRow("lost, then its repeats")
            << Sends{{1, 10}, {12, 14}, {11, 0}} << State::Missed << 10 << 12;
        QTest::newRow("stood by mid-race") << Sends{{5, 0}} << State::Missed << -1 << 5;
    }
    void rebuildsTheRace() {
        QFETCH(Sends, sends);
        QFETCH(State, state);
        QFETCH(int, held);
        const QList<model::Change>& ops = source_->operations;
        const qsizetype kept = held == 0 ? ops.size() : std::max(held, 0);
        QTemporaryDir dir;
        EngineRun standby(dir.path(), clock_, false);
        standby::Mirror mirror(standby.race);
        for (auto [from, to] : sends) {
            for (int seq = from; seq <= (to == 0 ? ops.size() : to); ++seq) {
                mirror.take({.race = 7, .seq = seq, .change = ops[seq - 1]});
            }
        }
        QCOMPARE(mirror.state(), state);
        QCOMPARE(mirror.heldSeq(), qint64(kept));
        if (state == State::Missed) {
            QTEST(int(mirror.missedTo()), "missedTo");
        }
        QCOMPARE(wholeRace(standby.race), replayed(ops, kept, standby.console.settings));
        if (kept == ops.size()) {
            // The standings are worked out by the console as it shows them, as after a resume.
            standby.engine.link().UpdateStandings();
            QCOMPARE(wholeRace(standby.race, Compare::Resumed), source_->whole);
        }
        const QList<model::Change> opsBefore(ops.begin(), ops.begin() + kept);
        QVERIFY(standby.session.journal()->flush());
        QCOMPARE(texts(standby.session.journal()->unfinishedRace()), texts(opsBefore));

        // The next race's start rebuilds it from nothing, whatever came before.
        for (int seq = 1; seq <= ops.size(); ++seq) {
            mirror.take({.race = 8, .seq = seq, .change = ops[seq - 1]});
        }
        QCOMPARE(mirror.state(), State::Following);
        standby.engine.link().UpdateStandings();
        QCOMPARE(wholeRace(standby.race, Compare::Resumed), source_->whole);
    }

    // A late repeat of the race before the one followed changes nothing.
    void earlierRaceIsARepeat() {
        QTemporaryDir dir;
        EngineRun standby(dir.path(), clock_, false);
        standby::Mirror mirror(standby.race);
        const QList<model::Change>& ops = source_->operations;
        mirror.take({.race = 8, .seq = 1, .change = ops[0]});
        QCOMPARE(mirror.take({.race = 7, .seq = 2, .change = ops[1]}),
                 standby::Mirror::Taken::Repeat);
        QCOMPARE(mirror.heldSeq(), qint64(1));
        QCOMPARE(mirror.state(), State::Following);
    }

private:
    platform::ManualClock clock_{kStart};
    std::unique_ptr<SourceRace> source_;
};

QTEST_GUILESS_MAIN(TestMirror)
#include "test_mirror.moc"
