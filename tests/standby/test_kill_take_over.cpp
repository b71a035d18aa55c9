// A console publishing its race to a real broker runs as a process of its own (kaltero-headless)
// against five simulated cars (carsim processes), a standby console in this process following
// it. The console is killed with SIGKILL and the standby takes over through 引き継ぎ: every
// car's next laps are timed by the standby, and every lap record a car was told, before the kill
// and after it, is in the standby's race under the same lap number with the same time.
//
// The publisher reads the journal every Publisher::kPollMs: a lap told to its car within that
// time before a kill never reaches the broker. The kill falls on a quiet moment, when no car has
// been told a record for kQuietMs.
#include "common/broker.h"
#include "console/live_console.h"
#include "core/relay_settings.h"
#include "link/protocol.h"
#include "relay/publisher.h"
#include "standby/follower.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>

using namespace kaltero;
using namespace Qt::StringLiterals;
using testing::runUntil;

namespace {

constexpr int kCars = 5;
constexpr qint16 kNoCommSeconds = 1;
constexpr int kQuietMs = 3 * relay::Publisher::kPollMs;
// Records each car is told before the kill, and after the take-over, at least.
constexpr int kLapsEachSide = 2;
constexpr int kTimeoutMs = 20'000;

struct Record {
    int lap = 0;
    qint64 ms = 0;
};

std::optional<Record> readRecord(const QString& text) {
    const link::ParsedReply reply = link::parseReply(QString(u"N" + text));
    if (!reply.ok || !reply.record) {
        return std::nullopt;
    }
    return Record{reply.record->lap, reply.record->lapMs};
}

// The relay keys of a console named `name` on the broker at `port`, following `follow` when set.
std::function<bool(const QString&)> relayKeys(int port, const QString& name,
                                              const QString& follow = {}) {
    return [=](const QString& ini) {
        using namespace core::ini;
        return core::WriteIni(kLiveSection, kLiveOn, u"0"_s, ini) &&
               core::WriteIni(kRelaySection, kBroker, u"127.0.0.1:%1"_s.arg(port), ini) &&
               core::WriteIni(kRelaySection, kConsoleName, name, ini) &&
               (follow.isEmpty() || core::WriteIni(kRelaySection, kFollow, follow, ini));
    };
}

}  // namespace

class TestKillTakeOver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void standbyTimesOnAfterTheKill();
    void cleanup();

private:
    bool startPit(int brokerPort);
    void startCars();
    void readCar(int car);
    // Every record the cars were told is in the standby's race, and no lap was told twice.
    void checkRecords(const model::RaceModel& race);
    int fewestRecords(const std::map<int, int>& from) const;

    QTemporaryDir pitDir_;
    std::unique_ptr<QProcess> pit_;
    QByteArray pitOut_;
    std::map<int, std::unique_ptr<QProcess>> cars_;
    std::map<int, QByteArray> carOut_;
    std::map<int, QStringList> told_;  // per car, every record it was told, in order
    QElapsedTimer sinceTold_;
};

bool TestKillTakeOver::startPit(int brokerPort) {
    core::Settings settings;
    settings.NoCommSeconds = kNoCommSeconds;
    settings.derive();
    const QString ini = pitDir_.filePath(u"Kaltero.ini"_s);
    if (!core::WriteAllSettings(settings, ini) || !relayKeys(brokerPort, u"pit"_s)(ini)) {
        return false;
    }
    pit_ = std::make_unique<QProcess>();
    pit_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(pit_.get(), &QProcess::readyReadStandardOutput, this,
            [this] { pitOut_ += pit_->readAllStandardOutput(); });
    pit_->start(
        QStringLiteral(KALTERO_HEADLESS),
        {pitDir_.path(), u"--snapshot"_s, pitDir_.filePath(u"snapshot.json"_s), u"--stop-file"_s,
         pitDir_.filePath(u"stop"_s), u"--report"_s, pitDir_.filePath(u"report.txt"_s)});
    return runUntil(
               [this] {
                   return pitOut_.contains("ready\n") || pit_->state() == QProcess::NotRunning;
               },
               kTimeoutMs) &&
           pitOut_.contains("ready\n");
}

void TestKillTakeOver::startCars() {
    sinceTold_.start();
    for (int car = 1; car <= kCars; ++car) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        connect(process.get(), &QProcess::readyReadStandardOutput, this,
                [this, car] { readCar(car); });
        // Silences apart, so that the cars' returns spread.
        process->start(QStringLiteral(KALTERO_CARSIM),
                       {u"--cars"_s, QString::number(car), u"--laps"_s, u"999"_s, u"--in-range"_s,
                        u"0.5"_s, u"--silence"_s, QString::number(1.5 + 0.15 * car),
                        u"--interval"_s, u"100"_s, u"--timeout"_s, u"120"_s, u"--records"_s});
        cars_[car] = std::move(process);
    }
}

void TestKillTakeOver::readCar(int car) {
    QByteArray& out = carOut_[car];
    out += cars_[car]->readAllStandardOutput();
    qsizetype end = 0;
    while ((end = out.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(out.first(end));
        out.remove(0, end + 1);
        if (line.startsWith(u"record "_s)) {
            told_[car] << line.section(u' ', 2);
            sinceTold_.restart();
        }
    }
}

int TestKillTakeOver::fewestRecords(const std::map<int, int>& from) const {
    int fewest = std::numeric_limits<int>::max();
    for (int car = 1; car <= kCars; ++car) {
        const auto it = told_.find(car);
        const int all = it == told_.end() ? 0 : int(it->second.size());
        fewest = std::min(fewest, all - (from.contains(car) ? from.at(car) : 0));
    }
    return fewest;
}

void TestKillTakeOver::checkRecords(const model::RaceModel& race) {
    for (const auto& [car, records] : told_) {
        int previous = 0;
        for (const QString& text : records) {
            const auto record = readRecord(text);
            QVERIFY2(record && record->lap > previous,
                     qPrintable(u"car %1 told %2 after lap %3"_s.arg(car).arg(text).arg(previous)));
            previous = record->lap;
            const QList<core::Lap>& laps = race.car(car - 1).laps;
            QVERIFY2(record->lap <= laps.size() && laps[record->lap - 1].timed &&
                         laps[record->lap - 1].ticks == record->ms,
                     qPrintable(
                         u"car %1 was told %2, the standby does not hold it"_s.arg(car).arg(text)));
        }
    }
}

void TestKillTakeOver::cleanup() {
    for (auto& [car, process] : cars_) {
        process->kill();
        process->waitForFinished(kTimeoutMs);
    }
    cars_.clear();
    if (pit_) {
        pit_->kill();
        pit_->waitForFinished(kTimeoutMs);
    }
}

void TestKillTakeOver::standbyTimesOnAfterTheKill() {
    testing::TestBroker broker;
    QVERIFY(broker.ready());
    // The standby first: it lets go of the car link's ports when it stands by.
    testing::LiveConsole spare(kNoCommSeconds, u"1/1000"_s,
                               relayKeys(broker.port(), u"spare"_s, u"pit"_s));
    QVERIFY(spare.ready());
    standby::Follower* follower = spare.program.follower();
    QVERIFY(follower);
    QVERIFY(runUntil([&] { return follower->brokerConnected(); }, kTimeoutMs));
    QVERIFY2(startPit(broker.port()), pitOut_.constData());
    startCars();

    QVERIFY2(runUntil([&] { return fewestRecords({}) >= kLapsEachSide; }, kTimeoutMs),
             "the cars were not told their laps");
    QVERIFY(runUntil([&] { return sinceTold_.elapsed() >= kQuietMs; }, kTimeoutMs));
    pit_->kill();  // SIGKILL: nothing of the console's own runs any more
    pit_->waitForFinished(kTimeoutMs);
    std::map<int, int> toldBefore;
    for (const auto& [car, records] : told_) {
        toldBefore[car] = int(records.size());
    }
    // The broker tells the console's last will as its connection breaks.
    QVERIFY(runUntil([&] { return follower->sourceState() == standby::Follower::Source::Offline; },
                     kTimeoutMs));
    QCOMPARE(follower->mirror().state(), standby::Mirror::State::Following);

    spare.prompts.answerYesNo(true);
    spare.program.window()->findChild<QPushButton*>(u"Btn_TakeOver"_s)->click();
    QVERIFY(!follower->following());
    QVERIFY2(runUntil([&] { return fewestRecords(toldBefore) >= kLapsEachSide; }, kTimeoutMs),
             "the standby did not time every car's laps");
    checkRecords(spare.model);
}

QTEST_MAIN(TestKillTakeOver)
#include "test_kill_take_over.moc"
