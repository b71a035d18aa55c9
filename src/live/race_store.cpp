#include "live/race_store.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace kaltero::live {

using namespace Qt::StringLiterals;

namespace {

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The head's clock as it stands `ms` after it was read: the race time runs on only while the
// race is timed.
QJsonObject clockLater(const QJsonObject& head, qint64 ms) {
    QJsonObject clock = head.value(u"clock"_s).toObject();
    const auto add = [&](const QString& key, qint64 by) {
        if (clock.value(key).isDouble()) {
            clock.insert(key, double(qint64(clock.value(key).toDouble()) + by));
        }
    };
    add(u"now"_s, ms);
    add(u"remainingMs"_s, -ms);
    if (head.value(u"timing"_s).toBool()) {
        add(u"elapsedMs"_s, ms);
    }
    return clock;
}

int slotOf(const QJsonObject& car) {
    return car.value(u"slot"_s).toInt() - 1;
}

bool validSlot(int slot) {
    return slot >= 0 && slot < core::kSlotCount;
}

}  // namespace

void RaceStore::apply(const RaceDelta& delta) {
    head_ = delta.head;
    madeAt_ = delta.madeAt;
    for (int s = 0; s < core::kSlotCount; ++s) {
        const RaceDelta::CarLaps& car = delta.cars[s];
        QList<QJsonObject>& laps = laps_[s];
        laps.resize(car.count);
        for (const auto& [lapNo, lap] : car.laps) {
            if (lapNo >= 1 && lapNo <= laps.size()) {
                laps[lapNo - 1] = lap;
            }
        }
    }
    made_.clear();
}

QByteArray RaceStore::raceJson() {
    if (!made_.isEmpty() && !madeAge_.hasExpired(kReuseMs)) {
        return made_;
    }
    QJsonObject race = head_;
    race.insert(u"clock"_s, clockLater(head_, madeAt_.isValid() ? madeAt_.elapsed() : 0));
    QJsonArray cars;
    for (const QJsonValue& value : head_.value(u"cars"_s).toArray()) {
        QJsonObject car = value.toObject();
        const int slot = slotOf(car);
        QJsonArray window;
        qsizetype from = 0;
        if (validSlot(slot)) {
            const QList<QJsonObject>& laps = laps_[slot];
            from = std::max<qsizetype>(0, laps.size() - kWindowLaps);
            for (qsizetype i = from; i < laps.size(); ++i) {
                window.append(laps[i]);
            }
        }
        car.insert(u"lapsFrom"_s, double(from + 1));
        car.insert(u"laps"_s, window);
        cars.append(car);
    }
    race.insert(u"cars"_s, cars);
    made_ = compact(race);
    madeAge_.start();
    return made_;
}

QByteArray RaceStore::wholeMessage() {
    // As QJsonDocument writes it, keys in order.
    return "{\"race\":" + raceJson() + ",\"type\":\"race\"}";
}

QByteArray RaceStore::updateMessage(const RaceDelta& delta) const {
    QJsonObject race = delta.head;
    QJsonArray cars;
    for (const QJsonValue& value : delta.head.value(u"cars"_s).toArray()) {
        QJsonObject car = value.toObject();
        const int slot = slotOf(car);
        QJsonArray changed;
        if (validSlot(slot)) {
            for (const auto& [lapNo, lap] : delta.cars[slot].laps) {
                changed.append(lap);
            }
        }
        car.insert(u"laps"_s, changed);
        cars.append(car);
    }
    race.insert(u"cars"_s, cars);
    return compact(QJsonObject{{u"type"_s, u"update"_s}, {u"race"_s, race}});
}

std::optional<QByteArray> RaceStore::lapsPage(int carNo, int from) const {
    const int slot = carNo - 1;
    const QJsonArray cars = head_.value(u"cars"_s).toArray();
    const bool inRace =
        validSlot(slot) && std::any_of(cars.begin(), cars.end(), [slot](const QJsonValue& c) {
            return slotOf(c.toObject()) == slot;
        });
    if (!inRace || from < 1) {
        return std::nullopt;
    }
    const QList<QJsonObject>& laps = laps_[slot];
    QJsonArray page;
    for (qsizetype i = from - 1; i < laps.size() && page.size() < kPageLaps; ++i) {
        page.append(laps[i]);
    }
    return compact(QJsonObject{{u"car"_s, carNo},
                               {u"from"_s, from},
                               {u"lapCount"_s, double(laps.size())},
                               {u"laps"_s, page}});
}

}  // namespace kaltero::live
