// A race timed by a console in a process of its own (kaltero-headless) that is killed with
// SIGKILL at twenty random moments and restarted each time, answering Yes to the resume
// question. Five cars, each a carsim process, drive on regardless and tell every lap record they
// receive. Half the kills are aimed at a car's first report after a silence, the report that
// closes a lap, with a random offset of up to a few milliseconds after the car sent it.
//
// After every resume the console must hold every record a car received before the kill, under
// the same lap number with the same time, and no car may ever receive two different records for
// one lap (a lap recorded twice). After the final Stop the results report must equal the report
// of a race whose laps are exactly those records (see referenceReport), apart from the 「再開」
// remarks that mark the first lap each car closed after a resume.
//
// The kill moments come from a logged seed; KALTERO_CRASH_SEED=<seed> repeats a run's choices.
#include "console/live_console.h"
#include "core/settings.h"
#include "link/figure_text.h"
#include "link/lap_stats.h"
#include "link/protocol.h"
#include "platform/cp932.h"
#include "race/results_report.h"
#include "timing/time_text.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <map>
#include <memory>

using namespace kaltero;
using namespace Qt::Literals::StringLiterals;
using testing::runUntil;

namespace {

constexpr int kCars = 5;
constexpr int kKills = 20;
constexpr qint16 kNoCommSeconds = 1;
constexpr int kInRangeMs = 500;
constexpr int kReportEveryMs = 100;
// Car k is silent a little longer than car k - 1, so that the cars drift apart and their
// returns spread over the race.
int silenceMs(int car) {
    return 1500 + 150 * (car - 1);
}
// A lap spans at least one pass in range and one silence of the car, whatever the console
// missed while it was down; a little is allowed for the loopback and the restarts' clocks.
constexpr qint64 kShortestLapMs = kInRangeMs + 1500 - 50;
// An aimed kill waits until the console has been up longer than the silence that counts a lap,
// with room for the lap timer's steps, so that a returning car closes one.
constexpr int kAimAfterReadyMs = 1500;
// Every offset of an aimed kill lies below this many microseconds after the car's report.
constexpr int kAimWithinUs = 3000;
// A kill at an unaimed moment falls this long after the console is ready, at most.
constexpr int kUnaimedWithinMs = 2500;
// Replies sent before a kill reach the cars' logs within this.
constexpr int kDrainMs = 300;
// The race goes on this long after the last resume, so that each car closes a lap on it.
constexpr int kLastStretchMs = 4500;
constexpr int kProcessTimeoutMs = 60'000;

const QString kResumeQuestion = u"前回の計測は終了していません。再開しますか？"_s;
const QString kResumedRemark = u"再開"_s;

// A lap record as a car received it: "003" "0000083456" ... -> lap 3, 83456 ms.
struct Record {
    int lap = 0;
    qint64 ms = 0;
    QString text;
};

std::optional<Record> readRecord(const QString& text) {
    const link::ParsedReply reply = link::parseReply(QString(u"N" + text));
    if (!reply.ok || !reply.record) {
        return std::nullopt;
    }
    return Record{reply.record->lap, reply.record->lapMs, text};
}

QJsonObject readSnapshot(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

QJsonObject slotOf(const QJsonObject& snapshot, int car) {
    return snapshot[u"slots"_s].toArray().at(car - 1).toObject();
}

// lap number -> the lap as the console holds it
std::map<int, QJsonObject> lapsOf(const QJsonObject& snapshot, int car) {
    std::map<int, QJsonObject> laps;
    for (const QJsonValue& v : slotOf(snapshot, car)[u"laps"_s].toArray()) {
        laps[v[u"lap"_s].toInt()] = v.toObject();
    }
    return laps;
}

// The report's lines with the remark that marks a lap closed after a resume taken out. The
// remark is the fourth field; the lap number, time and driver before it hold no comma.
QStringList withoutResumedRemarks(const QStringList& lines, int* marked) {
    QStringList out;
    static const QRegularExpression lapLine(u"^(\\d+,[^,]*,[^,]*,)([^,]*)(,.*)$"_s);
    for (const QString& line : lines) {
        const auto m = lapLine.match(line);
        if (!m.hasMatch() || !m.captured(2).contains(kResumedRemark)) {
            out << line;
            continue;
        }
        ++*marked;
        QString remarks = m.captured(2);
        remarks.remove(u" "_s + kResumedRemark).remove(kResumedRemark);
        out << m.captured(1) + remarks + m.captured(3);
    }
    return out;
}

}  // namespace

class TestCrashResume : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void killedConsoleKeepsEveryLapTheCarsReceived();
    void cleanupTestCase();

private:
    bool startConsole();
    void killConsole();
    void startCars();
    void readCar(int car);
    // After a resume: every record received before the kill is held, with its time.
    void checkResumed(int kill, const std::map<int, QStringList>& before);
    // Every lap the console timed spans at least a pass and a silence of its car.
    void checkLapTimes(const QJsonObject& snapshot);
    race::ReportInputs referenceReport(const QJsonObject& setUp) const;
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    QTemporaryDir dir_;
    quint32 seed_ = 0;
    QRandomGenerator rng_;
    std::unique_ptr<QProcess> console_;
    QByteArray consoleOut_;
    std::map<int, std::unique_ptr<QProcess>> cars_;
    std::map<int, QByteArray> carOut_;
    // Per car, every record it received that differed from the one it held, in order.
    std::map<int, QStringList> received_;
    // Records a resumed console held that its car had not received yet: per car, lap -> record.
    std::map<int, std::map<int, QString>> undelivered_;
    // Set while an aimed kill waits for a car to return.
    std::function<void(int car)> onReturn_;
    QStringList problems_;
    QJsonObject setUp_;
};

void TestCrashResume::initTestCase() {
    QVERIFY(dir_.isValid());
    bool seeded = false;
    seed_ = qEnvironmentVariableIntValue("KALTERO_CRASH_SEED", &seeded);
    if (!seeded) {
        seed_ = QRandomGenerator::system()->generate();
    }
    qInfo("seed %u (KALTERO_CRASH_SEED=%u repeats the kill moments)", seed_, seed_);
    rng_.seed(seed_);
    core::Settings settings;
    settings.NoCommSeconds = kNoCommSeconds;
    settings.derive();
    QVERIFY(core::WriteAllSettings(settings, file(u"Kaltero.ini"_s)));
}

void TestCrashResume::cleanupTestCase() {
    for (auto& [car, process] : cars_) {
        process->kill();
        process->waitForFinished(kProcessTimeoutMs);
    }
    if (console_) {
        killConsole();
    }
}

bool TestCrashResume::startConsole() {
    QFile::remove(file(u"snapshot.json"_s));
    consoleOut_.clear();
    console_ = std::make_unique<QProcess>();
    console_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(console_.get(), &QProcess::readyReadStandardOutput, this,
            [this] { consoleOut_ += console_->readAllStandardOutput(); });
    console_->start(QStringLiteral(KALTERO_HEADLESS),
                    {dir_.path(), u"--snapshot"_s, file(u"snapshot.json"_s), u"--stop-file"_s,
                     file(u"stop"_s), u"--report"_s, file(u"report.txt"_s),
                     // The race is the second of the day: the set-up was entered before practice.
                     u"--practice"_s});
    return runUntil(
               [this] {
                   return consoleOut_.contains("ready\n") ||
                          console_->state() == QProcess::NotRunning;
               },
               kProcessTimeoutMs) &&
           consoleOut_.contains("ready\n");
}

void TestCrashResume::killConsole() {
    console_->kill();  // SIGKILL: nothing of the console's own runs any more
    console_->waitForFinished(kProcessTimeoutMs);
    console_.reset();
}

void TestCrashResume::startCars() {
    for (int car = 1; car <= kCars; ++car) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        connect(process.get(), &QProcess::readyReadStandardOutput, this,
                [this, car] { readCar(car); });
        process->start(QStringLiteral(KALTERO_CARSIM),
                       {u"--cars"_s, QString::number(car), u"--laps"_s, u"999"_s, u"--in-range"_s,
                        QString::number(kInRangeMs / 1000.0), u"--silence"_s,
                        QString::number(silenceMs(car) / 1000.0), u"--interval"_s,
                        QString::number(kReportEveryMs), u"--timeout"_s, u"600"_s, u"--records"_s});
        cars_[car] = std::move(process);
    }
}

void TestCrashResume::readCar(int car) {
    QByteArray& out = carOut_[car];
    out += cars_[car]->readAllStandardOutput();
    qsizetype end = 0;
    while ((end = out.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(out.first(end));
        out.remove(0, end + 1);
        if (line.startsWith(u"returns "_s) && onReturn_) {
            onReturn_(car);
        } else if (line.startsWith(u"record "_s)) {
            received_[car] << line.section(u' ', 2);
        }
    }
}

void TestCrashResume::checkLapTimes(const QJsonObject& snapshot) {
    for (int car = 1; car <= kCars; ++car) {
        const QJsonObject slot = slotOf(snapshot, car);
        const int count = slot[u"lapCount"_s].toInt();
        bool afterResumedLap = false;
        for (const auto& [lap, row] : lapsOf(snapshot, car)) {
            // A lap whose closing report came while the console was down is closed by the car's
            // next report after the restart: it runs long, and the lap after it short by as
            // much. The first of them is marked; neither can be held to a car's pass.
            const bool resumedLap = row[u"remarks"_s].toString().contains(kResumedRemark);
            const bool shortAllowed = resumedLap || afterResumedLap;
            afterResumedLap = resumedLap;
            // Only the counted lap the car has not closed yet may wait without a time.
            if (lap == count && slot[u"pending"_s].toBool()) {
                continue;
            }
            if (!row[u"timed"_s].toBool() ||
                (!shortAllowed && row[u"ticks"_s].toInteger() < kShortestLapMs)) {
                problems_ << u"car %1 lap %2 holds %3 ms (timed: %4)"_s.arg(car)
                                 .arg(lap)
                                 .arg(row[u"ticks"_s].toInteger())
                                 .arg(row[u"timed"_s].toBool());
            }
        }
    }
}

void TestCrashResume::checkResumed(int kill, const std::map<int, QStringList>& before) {
    const QJsonObject snapshot = readSnapshot(file(u"snapshot.json"_s));
    const QString when = u"after kill %1"_s.arg(kill);
    if (!snapshot[u"timing"_s].toBool() ||
        snapshot[u"prompts"_s].toArray() != QJsonArray{kResumeQuestion}) {
        problems_ << when + u": not resumed as asked: "_s +
                         QString::fromUtf8(
                             QJsonDocument(snapshot[u"prompts"_s].toArray()).toJson());
        return;
    }
    for (int car = 1; car <= kCars; ++car) {
        const auto laps = lapsOf(snapshot, car);
        int lastReceived = 0;
        for (const QString& text : before.contains(car) ? before.at(car) : QStringList()) {
            const auto record = readRecord(text);
            const auto row = record ? laps.find(record->lap) : laps.end();
            if (row == laps.end() || !row->second[u"timed"_s].toBool() ||
                row->second[u"ticks"_s].toInteger() != record->ms) {
                problems_
                    << u"%1: car %2 received %3, the console lost it"_s.arg(when).arg(car).arg(
                           text);
            } else {
                lastReceived = record->lap;
            }
        }
        // Nothing recorded twice: beyond the laps the car received the console holds at most
        // the one it was closing when it was killed.
        const auto timed = std::count_if(laps.begin(), laps.end(), [](const auto& lap) {
            return lap.second[u"timed"_s].toBool();
        });
        if (timed > lastReceived + 1) {
            problems_ << u"%1: car %2 received %3 laps, the console holds %4"_s.arg(when)
                             .arg(car)
                             .arg(lastReceived)
                             .arg(timed);
        }
        // The console may hold a lap whose record was on its way out when it was killed.
        const auto held = readRecord(slotOf(snapshot, car)[u"record"_s].toString());
        if (held && held->lap > lastReceived) {
            undelivered_[car][held->lap] = held->text;
        }
    }
}

void TestCrashResume::killedConsoleKeepsEveryLapTheCarsReceived() {
    QVERIFY2(startConsole(), consoleOut_.constData());
    setUp_ = readSnapshot(file(u"snapshot.json"_s));
    QVERIFY(setUp_[u"timing"_s].toBool());
    QCOMPARE(setUp_[u"prompts"_s].toArray(), QJsonArray());
    startCars();

    QElapsedTimer whole;
    whole.start();
    int aimedInsideRecording = 0;  // lap on disk, its record not yet sent
    int aimedBeforeRecording = 0;
    int aimedAfterReply = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        const bool aimed = kill % 2 == 0;
        int aimedCar = 0;
        int receivedAtAim = 0;
        if (aimed) {
            runUntil([] { return false; }, kAimAfterReadyMs);
            const int offsetUs = int(rng_.bounded(kAimWithinUs));
            const int target = int(rng_.bounded(1, kCars + 1));
            onReturn_ = [&, offsetUs, target](int car) {
                if (car != target) {
                    return;
                }
                // The car has just sent its first report after a silence.
                QElapsedTimer since;
                since.start();
                while (since.nsecsElapsed() < qint64{offsetUs} * 1000) {
                }
                console_->kill();
                aimedCar = car;
                receivedAtAim = int(received_[car].size());
                onReturn_ = nullptr;
            };
            QVERIFY2(runUntil([&] { return aimedCar != 0; }, kProcessTimeoutMs),
                     "no car came back");
            qInfo("kill %d: car %d's first report after a silence, +%d us", kill, aimedCar,
                  offsetUs);
        } else {
            const int delayMs = int(rng_.bounded(50, kUnaimedWithinMs));
            runUntil([] { return false; }, delayMs);
            qInfo("kill %d: %d ms after the console was ready", kill, delayMs);
        }
        killConsole();
        runUntil([] { return false; }, kDrainMs);
        const auto before = received_;
        QVERIFY2(startConsole(),
                 qPrintable(u"restart %1 failed: "_s.arg(kill) + QString::fromUtf8(consoleOut_)));
        checkResumed(kill, before);
        if (aimed) {
            const QJsonObject slot = slotOf(readSnapshot(file(u"snapshot.json"_s)), aimedCar);
            const auto held = readRecord(slot[u"record"_s].toString());
            const auto last = before.at(aimedCar).isEmpty()
                                  ? std::nullopt
                                  : readRecord(before.at(aimedCar).constLast());
            if (before.at(aimedCar).size() > receivedAtAim) {
                ++aimedAfterReply;
            } else if (held && (!last || held->lap > last->lap)) {
                ++aimedInsideRecording;
            } else {
                ++aimedBeforeRecording;
            }
        }
    }
    qInfo(
        "aimed kills: %d before the lap was on disk, %d after it was on disk and before its "
        "reply was read, %d after the reply; %lld s of kills",
        aimedBeforeRecording, aimedInsideRecording, aimedAfterReply, whole.elapsed() / 1000);

    runUntil([] { return false; }, kLastStretchMs);
    QFile stop(file(u"stop"_s));
    QVERIFY(stop.open(QIODevice::WriteOnly));
    stop.close();
    QVERIFY2(
        runUntil([this] { return console_->state() == QProcess::NotRunning; }, kProcessTimeoutMs),
        "the console did not stop");
    QCOMPARE(console_->exitStatus(), QProcess::NormalExit);
    QVERIFY2(console_->exitCode() == 0, consoleOut_.constData());
    runUntil([] { return false; }, kDrainMs);
    for (const auto& [car, process] : cars_) {
        QVERIFY2(process->state() == QProcess::Running, qPrintable(u"car %1 gave up"_s.arg(car)));
    }

    const QJsonObject last = readSnapshot(file(u"snapshot.json"_s));
    // The engine alone stops the race without an operator to ask.
    QCOMPARE(last[u"prompts"_s].toArray(), QJsonArray{kResumeQuestion});
    checkLapTimes(last);
    for (const QString& problem : problems_) {
        qWarning("%s", qUtf8Printable(problem));
    }
    QVERIFY2(problems_.isEmpty(),
             qPrintable(u"%1 problems, the first: "_s.arg(problems_.size()) + problems_.value(0)));

    // No lap was recorded twice: every record a car received is for a later lap than the one
    // before it.
    QStringList lapsDriven;
    for (const auto& [car, records] : received_) {
        lapsDriven << u"car %1: %2"_s.arg(car).arg(records.size());
        int previous = 0;
        for (const QString& text : records) {
            const auto record = readRecord(text);
            QVERIFY2(
                record && record->lap > previous,
                qPrintable(u"car %1 received %2 after lap %3"_s.arg(car).arg(text).arg(previous)));
            previous = record->lap;
        }
        QVERIFY2(previous >= 3, qPrintable(u"car %1 drove only %2 laps"_s.arg(car).arg(previous)));
    }
    qInfo("records received: %s", qUtf8Printable(lapsDriven.join(u", "_s)));

    QFile report(file(u"report.txt"_s));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QStringList shown = platform::decodeCp932(report.readAll()).split(u"\r\n"_s);
    QCOMPARE(shown.takeLast(), QString());  // every line ends with CR LF
    int marked = 0;
    const QStringList expected = race::reportLines(referenceReport(setUp_));
    QCOMPARE(withoutResumedRemarks(shown, &marked), expected);
    QVERIFY2(marked >= kCars, qPrintable(u"%1 laps marked as resumed"_s.arg(marked)));
}

// The report of a race without the kills. What no kill can change is taken from the console
// as it stood right after its first Start: the event data, each car, its driver. Each car's laps
// are exactly the records it received, the lap time as the record carries it, the driver's
// figures worked out from them but for the laps that span a restart. A lap whose record the console
// had recorded but not yet sent when it was killed, and which the car never got afterwards, is the
// one the console held at the resume. A lap's message log is the message its reply carried (none:
// no countdown, no typed message), ", " and the car's message (none).
race::ReportInputs TestCrashResume::referenceReport(const QJsonObject& setUp) const {
    core::Settings settings;
    settings.derive();
    race::ReportInputs in;
    const QJsonObject event = setUp[u"event"_s].toObject();
    in.eventName = event[u"name"_s].toString();
    in.date = event[u"date"_s].toString();
    in.weather = event[u"weather"_s].toString();
    in.temperature = event[u"temperature"_s].toString();
    for (int car = 1; car <= kCars; ++car) {
        const QJsonObject slot = slotOf(setUp, car);
        race::ReportSlot& out = in.slots[car - 1];
        out.address = slot[u"address"_s].toString();
        out.title = core::carCaption(car - 1);
        out.carName = slot[u"carName"_s].toString();
        const QString driver = slot[u"driver"_s].toString();

        std::map<int, QString> records =
            undelivered_.contains(car) ? undelivered_.at(car) : std::map<int, QString>();
        for (const QString& text : received_.at(car)) {
            records[readRecord(text)->lap] = text;
        }
        // A lap the console closed after a resume spans the restart: it is no figure.
        const std::map<int, QJsonObject> held = lapsOf(readSnapshot(file(u"snapshot.json"_s)), car);
        QList<core::Lap> laps;
        for (const auto& [lap, text] : records) {
            laps.resize(lap);  // a lap no record tells of stays without a time
            core::Lap& row = laps[lap - 1];
            row.acrossRestart = held.contains(lap) &&
                                held.at(lap)[u"remarks"_s].toString().contains(kResumedRemark);
            row.timed = true;
            row.ticks = qint32(readRecord(text)->ms);
            row.driver = driver;
            row.log = u", "_s;
        }
        for (const core::Lap& lap : laps) {
            out.laps.append({timing::lapTimeText(lap, settings), lap.driver, lap.remarks, lap.log});
        }
        const link::LapStats figures = link::UpdateLapStats(laps, driver, 0, {}, settings);
        out.drivers.append(
            {driver, link::driverBestText(figures.DrvBestLapTicks, figures.DrvBestLapNo, settings),
             link::averageText(figures.DrvAveLapTicks, settings)});
    }
    return in;
}

QTEST_MAIN(TestCrashResume)
#include "test_crash_resume.moc"
