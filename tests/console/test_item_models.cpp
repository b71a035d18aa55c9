// Every item model of the window under Qt's model tester (a broken promise to a view aborts the
// run) while a five-car race goes through every operation that changes a table, and a race
// rebuilt from its operations after a restart shows the same tables.

#include "console/pit_wall_tables.h"
#include "console/race_tables.h"
#include "console/rules_table.h"
#include "link/car_link.h"
#include "link/lap_closing.h"
#include "link/lap_repair.h"
#include "link/standings.h"
#include "model/race_model.h"

#include "common/timed_race.h"

#include <QAbstractItemModelTester>
#include <QTest>
#include <memory>
#include <vector>

using namespace kaltero;
using namespace Qt::StringLiterals;
using console::WallTableModel;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

// The window's models over one race, each under the tester; the pit-wall tables worked out
// again at every change, as the open pit-wall window does.
struct WindowModels {
    WindowModels(model::RaceModel& race, const core::Settings& settings) {
        for (int s = 0; s < core::kSlotCount; ++s) {
            watch(std::make_unique<console::LapTableModel>(race, s, settings));
            watch(std::make_unique<console::DriverTableModel>(race, s, settings));
        }
        watch(std::make_unique<console::StandingsModel>(race, settings));
        auto rules = std::make_unique<console::RulesTableModel>(race);
        this->rules = rules.get();
        watch(std::move(rules));
        for (int t = 0; t < console::kWallTableCount; ++t) {
            auto wall = std::make_unique<WallTableModel>(console::wallHeads(console::WallTable(t)));
            walls.push_back(wall.get());
            watch(std::move(wall));
        }
        QObject::connect(&race, &model::RaceModel::changed, [this, &race, &settings] {
            const auto t = console::pitWallTables(race, settings, race.latestTick());
            for (int w = 0; w < console::kWallTableCount; ++w) {
                walls[w]->show(t.rows[w]);
            }
        });
    }

    void watch(std::unique_ptr<QAbstractItemModel> model) {
        testers.push_back(std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal));
        models.push_back(std::move(model));
    }

    // Every cell of every model, as the views would show them.
    QStringList texts() const {
        QStringList all;
        for (const auto& m : models) {
            for (int r = 0; r < m->rowCount(); ++r) {
                for (int c = 0; c < m->columnCount(); ++c) {
                    all << m->index(r, c).data().toString();
                }
            }
            all << u"--"_s;
        }
        return all;
    }

    std::vector<std::unique_ptr<QAbstractItemModel>> models;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
    console::RulesTableModel* rules = nullptr;
    std::vector<WallTableModel*> walls;
};

// A race as the console keeps it: laps closed by reports with their figures, the standings
// ranked after each, every operation kept for a rebuild.
struct Race : testing::TimedRace {
    void lap(int s, qint32 tick) {
        race.countLap(s, u"0"_s);
        race.receiveReport(
            s, {.RcvData = u"000"_s, .CarLapNo = 0, .message = {}, .AutoMsg = {}, .SendMsg = {}});
        if (link::CarLink::closesLap(race.car(s))) {
            const auto closed =
                link::closeLap(race.state(), s, {}, tick, kStart.addMSecs(tick), settings);
            race.recordLap(s, closed.lapNo, closed.lap, tick, closed.figures, closed.record);
        }
        race.reportHandled(s, tick);
        rank();
    }
    // The standings are worked out after every report and after a rebuild, never replayed.
    void rank() {
        race.updateStandings(link::UpdateStandings(link::standingsCars(race.state())).rows);
    }

    WindowModels models{race, settings};
};

void driveEveryOperation(Race& r) {
    auto& race = r.race;
    for (int s = 0; s < core::kSlotCount; ++s) {
        race.setAddress(s, u"10.0.0.%1"_s.arg(s + 1), true);
        race.chooseDriver(s, u"A%1"_s.arg(s), u"0"_s);
    }
    race.start(kStart, std::nullopt);
    for (int lap = 1; lap <= 4; ++lap) {
        for (int s = 0; s < core::kSlotCount; ++s) {
            r.lap(s, lap * 60'000 + s * 1'000);
        }
    }
    race.correctLapCount(0, 2);
    race.correctLapCount(0, 6);
    race.editLapTime(1, 2, u"1'05\"000"_s, 65'000);
    race.editLapDriver(1, 2, u"B1"_s);
    race.editLapRemarks(1, 3, u"ピット"_s);
    race.mergeLaps(2, 2, link::mergedLap(race.car(2), 2));
    const link::SplitLaps split = link::splitLaps(race.car(3), 1, 30'000);
    race.splitLap(3, 1, split.first, split.second);
    QVERIFY(race.undoLapRepair(2));
    race.chooseDriver(4, u"B4"_s, u"0"_s, 250'000);
    race.recordPitStop(4, {4, 245'000, 275'000, false});
    race.editPitStop(4, -1, {2, 100'000, 160'000, true});
    race.editPitStop(4, 1, {4, 245'000, 280'000, true});
    race.removePitStop(4, 0);
    // The rules as the pit wall corrects them: a wrong value refused, then taken.
    const QModelIndex pitSeconds = r.models.rules->index(0, console::RulesTableModel::kValue);
    r.models.rules->setData(pitSeconds, u"x"_s);
    QVERIFY(r.models.rules->apply().has_value());
    r.models.rules->setData(pitSeconds, u"20"_s);
    QVERIFY(!r.models.rules->apply().has_value());
    r.lap(4, 300'000);
    race.stopCar(1);
}

}  // namespace

class TestItemModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyOperationKeepsTheModelsSound() {
        Race r;
        driveEveryOperation(r);
        // The tables are not empty: the operations reached them.
        QCOMPARE(r.models.models[0]->rowCount(), 6);
        QCOMPARE(r.models.walls[console::kStops]->rowCount(), 1);
        const QStringList live = r.models.texts();
        const qint32 stoppedAt = r.race.latestTick();

        // The console restarts: the race rebuilt from its operations, timing goes on.
        Race again;
        for (const model::Change& c : std::as_const(r.operations)) {
            again.race.replay(c);
        }
        again.rank();
        QCOMPARE(again.models.texts(), live);
        again.race.resume(stoppedAt + 5'000);
        again.lap(0, stoppedAt + 60'000);
        QCOMPARE(again.models.models[0]->rowCount(), 7);

        r.race.stop();
        r.race.start(kStart.addSecs(3600), std::nullopt);
        QCOMPARE(r.models.models[0]->rowCount(), 0);
    }
};

QTEST_MAIN(TestItemModels)
#include "test_item_models.moc"
