#include "car_sim.h"
#include "common/pause_meter.h"
#include "journal/journal.h"
#include "link/protocol.h"
#include "live_console.h"
#include "platform/cp932.h"
#include "platform/udp_link.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::carsim::LapResult;
using kaltero::link::carPort;
using kaltero::link::consolePort;
using kaltero::link::kCheckCarPort;
using kaltero::link::kCheckConsolePort;
using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::testing::LiveConsole;
using kaltero::testing::PauseMeter;
using kaltero::testing::runUntil;

namespace {

constexpr int kLargestDatagram = 65'507;
constexpr int kTicksColumn = 4;
constexpr int kTimeColumn = 1;

// Random datagrams of every shape a broken or hostile sender could produce: lap numbers of
// every kind (three digits, short, signed, hexadecimal, exponent, full-width, blanks, bytes),
// messages in ASCII, valid and broken code page 932, NUL bytes; mostly small.
class DatagramMaker {
public:
    // Full: 0 to 65,507 bytes, one in a hundred exactly 65,507. Short: up to 512 bytes.
    enum class Sizes { Full, Short };

    DatagramMaker(quint32 seed, Sizes sizes) : rng_(seed), sizes_(sizes) {}

    QByteArray next() {
        QByteArray bytes = lapPart();
        const int size = pickSize();
        if (bytes.size() > size) {
            bytes.truncate(size);
        }
        appendMessage(bytes, size);
        return bytes;
    }

private:
    int pickSize() {
        const int r = int(rng_.bounded(100));
        if (sizes_ == Sizes::Short) {
            return r < 97 ? int(rng_.bounded(65)) : 65 + int(rng_.bounded(448));
        }
        if (r < 85) {
            return int(rng_.bounded(65));
        }
        if (r < 95) {
            return 65 + int(rng_.bounded(1408));
        }
        if (r < 98) {
            return 1473 + int(rng_.bounded(16384 - 1473));
        }
        if (r < 99) {
            return 16385 + int(rng_.bounded(kLargestDatagram - 16385));
        }
        return kLargestDatagram;
    }

    QByteArray lapPart() {
        switch (rng_.bounded(16)) {
            case 0:
            case 1:
            case 2:
                return QByteArray::number(rng_.bounded(1000)).rightJustified(3, '0');
            case 3:
                return {};
            case 4:
                return QByteArray::number(rng_.bounded(10));
            case 5:
                return QByteArray::number(rng_.bounded(100));
            case 6:
                return "-" + QByteArray::number(rng_.bounded(100));
            case 7:
                return QByteArray("+05");
            case 8:
                return rng_.bounded(2) ? QByteArray("&HF") : QByteArray("&O7");
            case 9:
                return rng_.bounded(2) ? QByteArray("9e9") : QByteArray("1e9");
            case 10:
                return QByteArray("2.5");
            case 11:
                return QByteArray(" \t\n");
            case 12:
                return encodeCp932(u"１２３");
            case 13:
                return QByteArray("\x81", 1);  // a lead byte cut off from its trail byte
            case 14:
                return QByteArray("\x00\x00\x00", 3);
            default:
                return randomBytes(3);
        }
    }

    void appendMessage(QByteArray& bytes, int size) {
        if (bytes.size() >= size) {
            return;
        }
        const int missing = size - int(bytes.size());
        switch (rng_.bounded(5)) {
            case 0:  // printable ASCII
                for (int i = 0; i < missing; ++i) {
                    bytes += char(0x20 + rng_.bounded(0x5F));
                }
                break;
            case 1:  // valid code page 932 text, possibly cut inside its last character
                while (bytes.size() < size) {
                    bytes += japanese_;
                }
                bytes.truncate(size);
                break;
            case 2:  // bytes that are no code page 932: lone lead bytes, unused bytes
                for (int i = 0; i < missing; ++i) {
                    static constexpr char kBad[] = {'\x80', '\xA0', '\xFD', '\xFE', '\xFF',
                                                    '\x81', '\x9F', '\xE0', '\xFC'};
                    bytes += kBad[rng_.bounded(int(sizeof(kBad)))];
                }
                break;
            default:
                bytes += randomBytes(missing);
                break;
        }
    }

    QByteArray randomBytes(int count) {
        QByteArray bytes(count, Qt::Uninitialized);
        for (int i = 0; i < count; ++i) {
            bytes[i] = char(rng_.bounded(256));
        }
        return bytes;
    }

    QRandomGenerator rng_;
    Sizes sizes_;
    const QByteArray japanese_ = encodeCp932(u"ピットイン ﾊﾞｯﾃﾘｰ 燃料残り少 ～①髙 ");
};

// Sends random datagrams to the console from a thread of its own, from a port of its own.
// At most `window` datagrams are in flight: the flood runs as fast as the console takes them
// (a datagram the kernel dropped is written off after a short wait), so the console handles
// nearly all of them instead of the kernel throwing most away.
class Flood {
public:
    struct Plan {
        QList<quint16> ports;
        int atLeast = 0;
        quint32 seed = 1;
        int window = 16;
        qint64 deadlineMs = 60'000;
        // One datagram in requestEvery is an address-check request for this machine; 0: none.
        int requestEvery = 0;
        DatagramMaker::Sizes sizes = DatagramMaker::Sizes::Full;
    };

    Flood(Plan plan, const std::atomic<qint64>& handled)
        : plan_(std::move(plan)), handled_(handled) {}
    ~Flood() {
        stopWhenDone();
        wait();
    }

    void start() {
        thread_.reset(QThread::create([this] { run(); }));
        thread_->start();
    }
    // Finishes once atLeast datagrams are out; until then the flood goes on.
    void stopWhenDone() { stopWhenDone_ = true; }
    bool finished() const { return thread_ && thread_->isFinished(); }
    void wait() {
        if (thread_) {
            thread_->wait();
        }
    }
    qint64 sent() const { return sent_; }
    qint64 largest() const { return largest_; }
    qint64 requests() const { return requests_; }

private:
    void run() {
        QUdpSocket socket;
        if (!socket.bind(QHostAddress::LocalHost, 0)) {
            return;
        }
        DatagramMaker maker(plan_.seed, plan_.sizes);
        QElapsedTimer clock;
        clock.start();
        const qint64 base = handled_.load();
        qint64 writtenOff = 0;
        int portIndex = 0;
        while (clock.elapsed() < plan_.deadlineMs) {
            if (stopWhenDone_ && sent_ >= plan_.atLeast) {
                break;
            }
            QElapsedTimer stalled;
            stalled.start();
            qint64 seen = handled_.load();
            while (sent_ - (handled_.load() - base) - writtenOff > plan_.window) {
                if (handled_.load() != seen) {
                    seen = handled_.load();
                    stalled.restart();
                } else if (stalled.elapsed() > 20) {
                    writtenOff = sent_ - (handled_.load() - base);
                    break;
                }
                QThread::usleep(50);
            }
            const quint16 port = plan_.ports[portIndex];
            portIndex = (portIndex + 1) % plan_.ports.size();
            QByteArray bytes = maker.next();
            if (port == kCheckConsolePort) {
                bytes = keepToThisMachine(bytes);
            }
            if (socket.writeDatagram(bytes, QHostAddress::LocalHost, port) < 0) {
                QThread::usleep(100);  // the send buffer is full; try the next one later
                continue;
            }
            ++sent_;
            if (bytes.size() == kLargestDatagram) {
                ++largest_;
            }
        }
    }

    // An address check is answered at the address it names: only addresses of this machine
    // may go out, and every so often a real request is sent on purpose.
    QByteArray keepToThisMachine(const QByteArray& bytes) {
        const bool request = plan_.requestEvery > 0 && sent_ % plan_.requestEvery == 0;
        const QString text = decodeCp932(bytes);
        if (request || (kaltero::link::isDottedIPv4(text) && !text.startsWith(u"127."))) {
            ++requests_;
            return QByteArrayLiteral("127.0.0.1");
        }
        return bytes;
    }

    Plan plan_;
    const std::atomic<qint64>& handled_;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> stopWhenDone_{false};
    std::atomic<qint64> sent_{0};
    std::atomic<qint64> largest_{0};
    std::atomic<qint64> requests_{0};
};

// Listens where the console sends its answers and reads each one the way a car PC does.
class AnswerReader : public QObject {
public:
    explicit AnswerReader(QList<quint16> ports, bool addressCheck = false)
        : addressCheck_(addressCheck) {
        for (quint16 port : ports) {
            auto* socket = new QUdpSocket(this);
            if (!socket->bind(QHostAddress::AnyIPv4, port)) {
                qFatal("cannot bind port %d", port);
            }
            connect(socket, &QUdpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    qint64 good = 0;
    qint64 bad = 0;
    QString firstBad;
    QString last;

private:
    void read(QUdpSocket* socket) {
        while (socket->hasPendingDatagrams()) {
            const QString text = decodeCp932(socket->receiveDatagram().data());
            const bool ok = addressCheck_ ? (text == u"１号車" || text == u"未登録")
                                          : kaltero::link::parseReply(text).ok;
            if (ok) {
                ++good;
                last = text;
            } else if (bad++ == 0) {
                firstBad = text.left(120);
            }
        }
    }

    bool addressCheck_;
};

}  // namespace

class TestLinkUnderLoad : public QObject {
    Q_OBJECT

    // Counts every datagram the console's link sockets hand to their handlers.
    std::atomic<qint64> handled_{0};

    void countArrivals(kaltero::platform::UdpLink* link) {
        connect(link, &kaltero::platform::UdpLink::dataArrival, this, [this] { ++handled_; });
    }

    // Waits until the console has worked through what is still queued for it.
    void settle() {
        qint64 before = -1;
        for (int i = 0; i < 50 && before != handled_.load(); ++i) {
            before = handled_.load();
            QElapsedTimer pause;
            pause.start();
            runUntil([&] { return pause.elapsed() >= 100; }, 200);
        }
    }

private Q_SLOTS:
    // The journal's medium is full mid-race and the console tells it while the operator is
    // away from the window: every report is still answered at once and every lap timed as
    // the car drove it.
    void fullJournalStopsNoCar() {
        LiveConsole live(1);
        QVERIFY(live.ready());
        live.prompts.holdMessagesOpen(3000);
        live.registerSlots({0});
        live.pressStart();
        QVERIFY(live.timing());
        CarSimOptions options;
        options.cars = {1};
        options.laps = 5;
        options.inRangeMs = 500;
        options.intervalMs = 50;
        options.silenceMs = 1500;
        options.message = QString(1000, u'x');  // each lap's log fills the journal's pages
        CarSim sim(options);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QVERIFY(runUntil([&] { return !sim.result().laps.isEmpty(); }, 10'000));
        live.program.journal()->limitSize(1);  // not a page more than it has
        QVERIFY(runUntil([&] { return sim.isFinished(); }, 30'000));

        const auto& result = sim.result();
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        const qint64 tickMs = live.console.settings.MsPerTick;
        for (const LapResult& lap : result.laps) {
            qInfo("%s", qPrintable(kaltero::carsim::formatLap(lap)));
            QVERIFY(lap.closeRoundTripMs >= 0 && lap.closeRoundTripMs <= 50);
            QVERIFY(lap.openRoundTripMs >= 0 && lap.openRoundTripMs <= 50);
            if (!lap.fromSimulatorStart) {
                QVERIFY(qAbs(lap.consoleMs - lap.measuredMs) <=
                        tickMs + lap.openRoundTripMs + lap.closeRoundTripMs);
            }
        }
        // Every report was answered: a reply a report, none waiting for the operator.
        qint64 longestGap = 0;
        for (qsizetype i = 1; i < result.replies.size(); ++i) {
            const qint64 gap = result.replies[i].atMs - result.replies[i - 1].atMs;
            if (gap < options.silenceMs / 2) {
                longestGap = std::max(longestGap, gap);
            }
        }
        QVERIFY2(longestGap <= options.intervalMs + 50,
                 qPrintable(u"replies %1 ms apart within a pass"_s.arg(longestGap)));
        bool told = false;
        for (const auto& call : live.prompts.calls()) {
            told = told || (call.kind == kaltero::platform::ScriptedPrompts::Kind::Notice &&
                            call.text.startsWith(u"計測記録を書き込めません"_s));
        }
        QVERIFY(told);
    }

    void goodCarKeepsItsLapsThroughAFlood() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("random datagrams from seed %u", seed);
        // Huge datagrams cost the sanitizer build much more; its share of the count is kept
        // and only the pace drops, so the deadlines are generous.
        constexpr qint64 kFloodDeadlineMs = 70'000;

        LiveConsole live(1);
        QVERIFY(live.ready());
        live.registerSlots({0, 1, 2, 3, 4});
        for (int s = 0; s < 5; ++s) {
            countArrivals(live.console.sockets.car[s].get());
        }
        countArrivals(live.console.sockets.check.get());
        QElapsedTimer total;
        total.start();
        qint64 sentInAll = 0;
        qint64 largestInAll = 0;

        // 1. Idle: the address-check service under a flood, with real requests mixed in.
        {
            AnswerReader answers({kCheckCarPort}, true);
            Flood flood({.ports = {kCheckConsolePort},
                         .atLeast = 10'000,
                         .seed = seed,
                         .deadlineMs = kFloodDeadlineMs,
                         .requestEvery = 97},
                        handled_);
            flood.stopWhenDone();
            flood.start();
            QVERIFY(runUntil([&] { return flood.finished(); }, kFloodDeadlineMs + 5000));
            settle();
            QVERIFY(flood.requests() > 0);
            QVERIFY2(answers.good > 0, "no address check was answered during the flood");
            QVERIFY2(answers.bad == 0, qPrintable(answers.firstBad));
            QVERIFY(live.console.sockets.check->isBound());
            sentInAll += flood.sent();
            largestInAll += flood.largest();
            qInfo("address checks: %lld sent, %lld answers, after %lld ms", qint64(flood.sent()),
                  answers.good, total.elapsed());
        }

        // 2. Timing: one good car drives laps while the other four car ports are flooded.
        live.pressStart();
        QVERIFY(live.timing());
        CarSimOptions options;
        options.cars = {1};
        options.laps = 6;
        options.inRangeMs = 400;
        options.intervalMs = 100;
        options.silenceMs = 1500;
        options.message = QString(1000, u'x');  // each lap's log fills the journal's pages
        CarSim sim(options);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const qint64 handledBefore = handled_.load();
        {
            AnswerReader replies({carPort(1), carPort(2), carPort(3), carPort(4)});
            // Short messages only here: the console draws a car's message in full the first
            // time it shows it, and a message of tens of thousands of characters holds the
            // event loop, and so every car's report, for 100 ms and more. The huge datagrams
            // go to the address check (1.) and to all car ports once the laps are in (3.).
            Flood flood({.ports = {consolePort(1), consolePort(2), consolePort(3), consolePort(4)},
                         .atLeast = 85'000,
                         .seed = seed + 1,
                         .deadlineMs = kFloodDeadlineMs,
                         .sizes = DatagramMaker::Sizes::Short},
                        handled_);
            PauseMeter pauses;
            flood.start();
            QVERIFY(
                runUntil([&] { return sim.isFinished(); }, options.effectiveTimeoutMs() + 5000));
            flood.stopWhenDone();
            QVERIFY(runUntil([&] { return flood.finished(); }, kFloodDeadlineMs + 5000));
            const qint64 longestPauseMs = pauses.longestMs();
            settle();
            qInfo(
                "flood while timing: %lld sent, %lld handled, %lld replies checked; longest "
                "event-loop pause %lld ms",
                qint64(flood.sent()), handled_.load() - handledBefore, replies.good,
                longestPauseMs);
            QVERIFY2(replies.bad == 0, qPrintable(u"malformed reply: " + replies.firstBad));
            QVERIFY(replies.good > 0);
            QVERIFY2(longestPauseMs < 500, "the console stalled under the flood");
            sentInAll += flood.sent();
            largestInAll += flood.largest();
        }

        const auto& result = sim.result();
        QVERIFY2(result.problems.isEmpty(), qPrintable(result.problems.join(u'\n')));
        QVERIFY(!result.malformed);
        QVERIFY(result.completed);
        QCOMPARE(result.laps.size(), options.laps);
        auto* laps = live.ui().Car[0]->Spd_Laps;
        // One tick, the car's whole-millisecond clock, and the loopback delay from the car's
        // clock reading to its datagram's arrival. The wait behind the flood on the console's
        // event loop no longer counts: a report is timed when it arrived, not when it is read.
        constexpr int kBoundMs = 1 + 1 + 4;
        qint64 worstMs = 0;
        QStringList recorded;
        for (const LapResult& lap : result.laps) {
            const qint64 ticks = laps->cellText(kTicksColumn, lap.lap).toLongLong();
            QCOMPARE(lap.consoleMs, ticks);
            if (!lap.fromSimulatorStart) {
                const qint64 errorMs = ticks - lap.measuredMs;
                worstMs = std::max(worstMs, std::abs(errorMs));
                QVERIFY2(std::abs(errorMs) <= kBoundMs,
                         qPrintable(QStringLiteral("lap %1: console %2 ms, car %3 ms")
                                        .arg(lap.lap)
                                        .arg(ticks)
                                        .arg(lap.measuredMs)));
            }
            recorded << laps->cellText(kTimeColumn, lap.lap) + u'/' +
                            laps->cellText(kTicksColumn, lap.lap);
        }
        qInfo(
            "after %lld ms: good car: %d laps, worst difference after lap 1: %lld ms (bound %d ms)",
            total.elapsed(), options.laps, worstMs, kBoundMs);

        // 3. Still timing, the good car parked: now its own port is flooded too. Reports on a
        //    car's port are that car's, so only the lap being driven may be rewritten; every
        //    lap before it stays as recorded, and every reply stays well formed.
        {
            AnswerReader replies({carPort(0), carPort(1), carPort(2), carPort(3), carPort(4)});
            Flood flood({.ports = {consolePort(0), consolePort(1), consolePort(2), consolePort(3),
                                   consolePort(4)},
                         .atLeast = 10'000,
                         .seed = seed + 2,
                         .deadlineMs = kFloodDeadlineMs},
                        handled_);
            PauseMeter pauses;
            flood.stopWhenDone();
            flood.start();
            QVERIFY(runUntil([&] { return flood.finished(); }, kFloodDeadlineMs + 5000));
            const qint64 longestPauseMs = pauses.longestMs();
            settle();
            qInfo(
                "flood on all car ports: %lld sent, %lld replies checked; longest event-loop "
                "pause %lld ms",
                qint64(flood.sent()), replies.good, longestPauseMs);
            // Drawing a message of tens of thousands of characters takes a while; the console
            // must still come back to its other work within seconds.
            QVERIFY2(longestPauseMs < 3000, "the console stalled under the flood");
            QVERIFY2(replies.bad == 0, qPrintable(u"malformed reply: " + replies.firstBad));
            QVERIFY(replies.good > 0);
            sentInAll += flood.sent();
            largestInAll += flood.largest();
        }
        for (int lap = 1; lap < options.laps; ++lap) {
            QCOMPARE(laps->cellText(kTimeColumn, lap) + u'/' + laps->cellText(kTicksColumn, lap),
                     recorded[lap - 1]);
        }

        // 4. Stop: the console is idle again and answers an address check at once.
        live.prompts.answerYesNo(true);
        live.pressStart();
        QVERIFY(!live.timing());
        settle();
        {
            AnswerReader answers({kCheckCarPort}, true);
            QUdpSocket pc;
            pc.writeDatagram(QByteArrayLiteral("127.0.0.1"), QHostAddress::LocalHost,
                             kCheckConsolePort);
            QVERIFY(runUntil([&] { return !answers.last.isEmpty(); }, 2000));
            QCOMPARE(answers.last, QStringLiteral("１号車"));
        }

        qInfo("%lld datagrams in all, %lld of %d bytes, in %lld ms", sentInAll, largestInAll,
              kLargestDatagram, total.elapsed());
        QVERIFY(sentInAll >= 100'000);
        QVERIFY(largestInAll >= 100);
    }
};

QTEST_MAIN(TestLinkUnderLoad)
#include "test_link_under_load.moc"
