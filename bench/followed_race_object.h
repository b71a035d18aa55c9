#pragma once

#include "live/race_feed.h"
#include "live/race_store.h"
#include "model/race_model.h"

#include <QByteArray>
#include <QDateTime>
#include <cctype>

namespace kaltero::bench {

// The race object a console of five cars serves and publishes, each car `laps` laps of about
// 85 s into the race with two drivers, made once by the live page's own code; madeAt() gives it
// again with its clock's "now" set, as the console would make it at that moment.
class RaceObject {
public:
    explicit RaceObject(int laps) {
        using namespace Qt::StringLiterals;
        model::RaceModel race;
        const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-qint64{laps} * 90);
        for (int slot = 0; slot < core::kSlotCount; ++slot) {
            race.setAddress(slot, u"10.0.0.%1"_s.arg(slot + 2), true);
            race.chooseCar(slot, u"カー%1"_s.arg(slot + 1), u"60"_s, 60.0F, 2000.0F);
        }
        race.start(start, start.addSecs(6 * 3600));
        for (int lapNo = 1; lapNo <= laps; ++lapNo) {
            for (int slot = 0; slot < core::kSlotCount; ++slot) {
                recordLap(race, slot, lapNo, laps);
            }
        }
        const core::Settings settings;
        const qint32 ticks = qint32(qint64{laps} * 86'000 / settings.MsPerTick);
        live::RaceFeed feed(race, settings, [&] {
            return live::RaceMoment{QDateTime::currentMSecsSinceEpoch(), ticks};
        });
        live::RaceStore store;
        QObject::connect(&feed, &live::RaceFeed::delta,
                         [&store](const live::RaceDeltaPtr& d) { store.apply(*d); });
        feed.flush();
        const QByteArray made = store.raceJson();
        const qsizetype now = made.indexOf(kNow);
        const qsizetype end = now + kNow.size() + QByteArray::number(madeIn(made)).size();
        before_ = made.left(now + kNow.size());
        after_ = made.mid(end);
    }

    QByteArray madeAt(qint64 nowMs) const { return before_ + QByteArray::number(nowMs) + after_; }
    qsizetype bytes() const { return madeAt(QDateTime::currentMSecsSinceEpoch()).size(); }

    // The moment a race object was made, from its clock; 0 when it tells none.
    static qint64 madeIn(const QByteArray& race) {
        // The clock follows the cars in the object: looked for from the end.
        const qsizetype at = race.lastIndexOf(kNow);
        if (at < 0) {
            return 0;
        }
        qsizetype end = at + kNow.size();
        while (end < race.size() && std::isdigit(uchar(race[end]))) {
            ++end;
        }
        return QByteArrayView(race).sliced(at + kNow.size(), end - at - kNow.size()).toLongLong();
    }

private:
    static constexpr QByteArrayView kNow = "\"now\":";

    static void recordLap(model::RaceModel& race, int slot, int lapNo, int laps) {
        using namespace Qt::StringLiterals;
        core::Lap lap;
        lap.timed = true;
        lap.ticks = 85'000 + (lapNo * 37 + slot * 11) % 3000;  // ms, at 1/1000
        lap.driver = lapNo * 2 > laps ? u"佐藤"_s : u"山田"_s;
        lap.endTick = lapNo * 86'000;
        lap.log = u"LAP %1 OK"_s.arg(lapNo);
        model::Figures f;
        f.BestLapTicks = 85'000;
        f.BestLapNo = 1;
        f.AveLapTicks = lap.ticks;
        f.PredictedLaps = 250;
        race.recordLap(slot, lapNo, lap, lap.endTick, f, {});
    }

    QByteArray before_;
    QByteArray after_;
};

}  // namespace kaltero::bench
