#pragma once

#include "common/whole_race.h"
#include "console/test_car.h"
#include "core/slot_state.h"
#include "engine/engine_run.h"
#include "journal/journal.h"
#include "model/change.h"
#include "platform/clock.h"

#include <QList>
#include <QTemporaryDir>

namespace kaltero::testing {

// A console that timed two cars on loopback (a third stopped by the operator), with the operator's
// edits on the way, and died mid-race: its journal's operations are what it published. Car 0
// closes its fourth lap with `lastWords` as its message right before the end, car 1 was last
// heard 15 s earlier.
struct SourceRace {
    explicit SourceRace(platform::ManualClock& clock, const QString& lastWords = {}) {
        using namespace Qt::StringLiterals;
        TestCar car0(0);
        TestCar car1(1);
        EngineRun run(dir.path(), clock, false);
        auto& race = run.race;
        race.chooseCourse(u"Track"_s, 4000);
        for (int s : {0, 1, 2}) {
            race.setAddress(s, u"127.0.0.1"_s, true);
            race.chooseCar(s, u"Car %1"_s.arg(s + 1), u"60"_s, 60.0F, 8500.0F);
            race.chooseDriver(s, u"D%1"_s.arg(s + 1), core::kCountdownOffText);
        }
        if (!run.engine.start()) {
            qFatal("the source race did not start");
        }
        run.engine.stopCar(2);
        for (int lap = 0; lap < 3; ++lap) {
            clock.advance(15'000);
            car0.exchange(TestCar::lapReport(lap));
            clock.advance(2'000);
            car1.exchange(TestCar::lapReport(lap));
        }
        race.chooseDriver(0, u"E"_s, core::kCountdownOffText, run.console.TickCnt());
        race.refuel(0, 20.0F);
        race.editLapTime(1, 1, u"0'16\"500"_s, 16'500);
        race.editLapRemarks(1, 2, u"ピット"_s);
        race.typeMessage(1, u"BOX"_s);
        clock.advance(15'000);
        car0.exchange(TestCar::lapReport(3) + lastWords);
        run.session.journal()->flush();
        operations = run.session.journal()->unfinishedRace();
        whole = wholeRace(race, Compare::Resumed);
        startMs = race.state().RaceStartTime.toMSecsSinceEpoch();
    }  // killed: no Stop

    QTemporaryDir dir;  // the console's folder, its journal in it
    QList<model::Change> operations;
    QByteArray whole;
    qint64 startMs = 0;
};

}  // namespace kaltero::testing
