#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "link/protocol.h"
#include "options.h"

class QTimer;
class QUdpSocket;

namespace kaltero::carsim {

// One lap as the car saw it.
struct LapResult {
    int car = 0;
    qint32 lap = 0;
    // The lap time the console sent in its record.
    qint64 consoleMs = 0;
    // The interval carsim measured between its first reports after the last two silences;
    // for the first lap the time since carsim started (fromSimulatorStart), since the
    // console times lap 1 from its own Start.
    qint64 measuredMs = 0;
    bool fromSimulatorStart = false;
    // Round trips (report sent to reply read) of the report that began the lap and of the one
    // that ended it. The console read its tick count for each somewhere inside its round trip,
    // so the lap it timed lies within these of measuredMs. 0 for the start of the first lap;
    // -1 when that report got no reply.
    qint64 openRoundTripMs = 0;
    qint64 closeRoundTripMs = 0;
};

// One reply as the car read it.
struct Reply {
    int car = 0;
    // Milliseconds since start when the car read it.
    qint64 atMs = 0;
    QChar flag;
    // Lap number of the record it carried; -1 for a reply without a record.
    qint32 lap = -1;
    std::optional<link::LapRecordFields> record;
    // The message part: everything after the flag and the record.
    QString message;
    // The record's 59 characters as sent; empty for a reply without a record.
    QString recordText;
};

// One pit stop as the car made it.
struct PitStopResult {
    int car = 0;
    // The lap the stop falls in: the one after the lap its first report closed.
    qint32 lap = 0;
    // Milliseconds since start (the clock of Reply::atMs) of the first and the last report
    // sent during the stop.
    qint64 firstReportMs = 0;
    qint64 lastReportMs = 0;
};

// One pass by the pit as the car drove it, heard or not: when it came within reach (the end of
// the lap before it) and whether it stopped there. The truth a console's laps are held against.
struct PassResult {
    int car = 0;
    int pass = 0;  // 0: the start
    qint64 startMs = 0;
    bool heard = true;
    bool pitStop = false;
};

struct CarSimResult {
    // Every car drove all its laps.
    bool completed = false;
    bool malformed = false;
    QStringList problems;
    QList<LapResult> laps;
    // Every well-formed reply, in the order read.
    QList<Reply> replies;
    // Every pit stop the cars finished, in the order they left the pit.
    QList<PitStopResult> stops;
    // Every pass of every car after the start, in the order they began.
    QList<PassResult> passes;

    // 0 all laps done and every reply well formed, 1 a malformed reply, 2 laps not done.
    int exitCode() const;
};

// "car 1  lap 2  console 15012 ms  carsim 15010 ms  difference +2 ms"
QString formatLap(const LapResult& lap);

// The car side of the link for a few cars at once, on the event loop: each car reports to
// the console while in range, falls silent to drive a lap, carries the lap number of the
// last record it got and checks every reply.
class CarSim : public QObject {
    Q_OBJECT

public:
    explicit CarSim(CarSimOptions options, QObject* parent = nullptr);
    ~CarSim() override;

    // Binds each car's port 70k2 and starts driving. False, with why, when a port is taken.
    bool start(QString* error);
    bool isFinished() const { return finished_; }
    // Takes a car off the track for good, as when the pit stops timing it: it reports no more
    // and the run no longer waits for its laps.
    void retire(int carNumber);
    const CarSimResult& result() const { return result_; }

Q_SIGNALS:
    void lapCompleted(const kaltero::carsim::LapResult& lap);
    // Every well-formed reply, as soon as it is read.
    void replied(const kaltero::carsim::Reply& reply);
    // A car comes back in range after a silence; its first report follows at once.
    void returning(int carNumber);
    // A car leaves a pit stop.
    void pitStopped(const kaltero::carsim::PitStopResult& stop);
    // Something worth telling the user that is not a fault.
    void note(const QString& text);
    // Once: all laps done, a malformed reply, or the time is up.
    void finished(const kaltero::carsim::CarSimResult& result);

private:
    struct Car;
    void enterRange(Car& car);
    void leaveRange(Car& car);
    void scheduleReport(Car& car);
    void sendReport(Car& car);
    // The pit's Wi-Fi loses this report: a hole in a stop, or the missed pass.
    bool unheard(const Car& car) const;
    void readReplies(Car& car);
    // A lap record the car did not hold yet: a lap driven here, counted with its figures.
    void takeRecord(Car& car, const link::LapRecordFields& record);
    void finishIfAllParked();
    void finish();

    CarSimOptions options_;
    std::vector<std::unique_ptr<Car>> cars_;
    QTimer* timeout_ = nullptr;
    QElapsedTimer clock_;
    CarSimResult result_;
    bool finished_ = false;
};

// Asks the console which car holds an address: sends the address text to the console's
// 7001 and waits for the answer on 7002.
class AddressCheck : public QObject {
    Q_OBJECT

public:
    AddressCheck(QHostAddress console, QString ownAddress, int timeoutMs,
                 QObject* parent = nullptr);
    ~AddressCheck() override;

    bool start(QString* error);
    const QString& ownAddress() const { return ownAddress_; }

Q_SIGNALS:
    // answered is false when nothing came back in time.
    void finished(bool answered, const QString& answer);

private:
    void done(bool answered, const QString& answer);

    QHostAddress console_;
    QString ownAddress_;
    int timeoutMs_;
    QUdpSocket* socket_ = nullptr;
    QTimer* timeout_ = nullptr;
    bool done_ = false;
};

// The local address this machine uses to reach host: 127.0.0.1 for 127.0.0.1.
QString localAddressTowards(const QHostAddress& host);

}  // namespace kaltero::carsim
