#pragma once

#include "live/race_delta.h"
#include "live/race_store.h"
#include "relay/broker_client.h"
#include "relay/journal_reader.h"
#include "relay/topics.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <deque>

namespace kaltero::relay {

// How the link to the broker stands, for the window.
struct RelayState {
    bool connected = false;
    qint64 waiting = 0;  // operations the broker has not taken yet
    QString refused;     // why the broker turned the console away; empty when it did not
    bool operator==(const RelayState&) const = default;
};

// Publishes this console's race on its own thread: the journal's operations to `ops` (QoS 1,
// in order, each kept until the broker has it and sent again after a reconnect), the live
// page's race object to `race` (retained, at most every kRaceEveryMs), each recorded lap to
// `laps/<slot>`, each car's last message and report to `heard/<slot>` (retained, as the journal
// holds them, after the operations read so far), and `status` (retained "online", the broker's
// last will "offline").
class Publisher : public QObject {
    Q_OBJECT

public:
    static constexpr int kPollMs = 100;
    static constexpr int kRaceEveryMs = 200;
    // Operations handed to the broker and not acknowledged yet, at most.
    static constexpr int kInFlight = 200;

    Publisher(BrokerSettings broker, Topics topics, QString journalFile);

    // On the publisher's thread: opens the journal and connects.
    void begin();
    // Says "offline" while the broker still listens, then disconnects.
    void finish();
    void takeDelta(const kaltero::live::RaceDeltaPtr& delta);
    // Publishes what the journal holds and the broker has not taken yet: every kPollMs, and at
    // once when the journal says it wrote more, so that a lap reaches a standby within ms.
    void pump();

Q_SIGNALS:
    void stateChanged(const kaltero::relay::RelayState& state);

private:
    struct Pending {
        qint64 seq = 0;
        QByteArray payload;
        int mid = -1;  // -1: not with the broker's connection
    };
    void onConnected();
    // Hands every pending operation not with the broker yet over, in order.
    bool sendPending();
    // Reads operations on and hands them over while the broker takes them; true when every one
    // read is with the broker.
    bool sendOps();
    void publishHeard();
    void onPublished(int mid);
    void publishRace();
    void publishLaps(const live::RaceDelta& delta);
    void tellState();

    BrokerSettings broker_;
    Topics topics_;
    QString journalFile_;
    BrokerClient* client_ = nullptr;  // owned as a child, so it lives on this thread
    JournalReader reader_;
    bool readerOpen_ = false;
    std::deque<Pending> pending_;
    QTimer poll_{this};  // children: they go to the publisher's thread with it
    QTimer raceTimer_{this};
    live::RaceStore store_;
    bool raceDue_ = false;
    QHash<qint64, QByteArray> lapsSent_;  // slot * 2^32 + lap -> the lap as last published
    QHash<int, QByteArray> heardSent_;    // slot -> its heard entry as last handed over
    QString refused_;
    RelayState told_;
};

}  // namespace kaltero::relay
