#pragma once

#include "core/settings.h"
#include "link/lap_closing.h"
#include "link/standings.h"
#include "model/race_model.h"
#include "relay/broker_client.h"
#include "relay/ops_message.h"

#include <QSet>

namespace kaltero::testing {

// Follows a console's `ops` as a standby would: rebuilds the race operation by operation,
// drops a repeat, and counts a gap (an operation missing before the one received).
class RelayFollower {
public:
    RelayFollower(const relay::BrokerSettings& broker, const QString& opsTopic,
                  const core::Settings& settings) {
        race.setFigureRule(
            [&settings](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
                return link::figuresOfLap(laps, car, remain, settings);
            });
        QObject::connect(&client, &relay::BrokerClient::received,
                         [this](const QString&, const QByteArray& payload) { take(payload); });
        QString why;
        client.start(broker, &why);
        client.subscribe(opsTopic, 1);
    }

    // The standings, worked out once the race is rebuilt, as a resume does.
    void rank() {
        race.updateStandings(link::UpdateStandings(link::standingsCars(race.state())).rows);
    }

    relay::BrokerClient client;
    model::RaceModel race;
    qint64 raceId = 0;
    qint64 lastSeq = 0;
    int gaps = 0;
    int repeats = 0;

private:
    void take(const QByteArray& payload) {
        const auto m = relay::decodeOps(payload);
        if (!m) {
            return;
        }
        if (m->race != raceId) {
            raceId = m->race;
            lastSeq = 0;
        }
        if (m->seq <= lastSeq) {
            ++repeats;
            return;
        }
        if (m->seq != lastSeq + 1) {
            ++gaps;
        }
        lastSeq = m->seq;
        race.replay(m->change);
    }
};

}  // namespace kaltero::testing
