#include "car_sim.h"
#include "common/pause_meter.h"
#include "console/live_console.h"
#include "live/client_gate.h"
#include "live/live_server.h"
#include "live_client.h"
#include "platform/grid.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::carsim::LapResult;
using kaltero::testing::Feed;
using kaltero::testing::LiveConsole;
using kaltero::testing::PauseMeter;
using kaltero::testing::runUntil;

namespace {

constexpr quint16 kPort = 8080;
constexpr int kTicksColumn = 4;

// A client of the worst kind, on blocking sockets in a thread of its own. Each case returns ""
// when the server dealt with it as it should, else what went wrong.
class Hostile {
public:
    explicit Hostile(QByteArray key) : key_(std::move(key)) {}

    struct Case {
        const char* name;
        QString (Hostile::*run)();
    };

    QString oversizedHeader() {
        return expectDropped("GET /?key=" + key_ + " HTTP/1.1\r\nHost: x\r\nX-Pad: " +
                             QByteArray(200'000, 'a') + "\r\n\r\n");
    }
    QString oversizedBody() {
        return expectDropped("POST /api/race?key=" + key_ +
                             " HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n" +
                             QByteArray(1'000'000, 'b'));
    }
    QString manyHeaders() {
        QByteArray request = "GET /?key=" + key_ + " HTTP/1.1\r\n";
        for (int i = 0; i < 20'000; ++i) {
            request += "X-" + QByteArray::number(i) + ": 1\r\n";
        }
        return expectDropped(request + "\r\n");
    }
    // Requests sent back to back, none of the answers read.
    QString neverReads() {
        QByteArray burst;
        for (int i = 0; i < 5'000; ++i) {
            burst += "GET /live.js?key=" + key_ + " HTTP/1.1\r\nHost: x\r\n\r\n";
        }
        QTcpSocket s;
        if (!connectTo(s)) {
            return u"no connection"_s;
        }
        s.setReadBufferSize(1);
        s.write(burst);
        QElapsedTimer t;
        t.start();
        while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < 20'000) {
            s.waitForBytesWritten(100);
            s.waitForDisconnected(100);
        }
        return s.state() == QAbstractSocket::ConnectedState ? u"still connected"_s : QString();
    }
    // A request that trickles in and is never finished.
    QString trickles() {
        QTcpSocket s;
        if (!connectTo(s)) {
            return u"no connection"_s;
        }
        QElapsedTimer t;
        t.start();
        s.write("GET /?key=" + key_ + " HTTP/1.1\r\n");
        while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < 20'000) {
            s.write("X");
            s.waitForBytesWritten(100);
            s.waitForDisconnected(500);
        }
        return s.state() == QAbstractSocket::ConnectedState ? u"still connected"_s : QString();
    }
    QString pathTricks() {
        const char* paths[] = {"/../live.js",
                               "/%2e%2e/live.js",
                               "/..%2flive.js",
                               "//live.js",
                               "/live.js/..",
                               "/./live.js",
                               "/api/race/../../Kaltero.ini",
                               "/%00",
                               "/index.html%00.js"};
        for (const char* p : paths) {
            const int status =
                statusOf("GET " + QByteArray(p) + "?key=" + key_ + " HTTP/1.1\r\nHost: x\r\n\r\n");
            if (status != 404 && status != 0) {
                return QString::fromUtf8(p) + u" answered "_s + QString::number(status);
            }
        }
        return {};
    }
    QString wrongKey() {
        const int status =
            statusOf("GET /api/race?key=" + QByteArray(32, '0') + " HTTP/1.1\r\nHost: x\r\n\r\n");
        return status == 403 ? QString() : u"answered "_s + QString::number(status);
    }
    // The server's limit of clients: the first ones are answered, one more is closed at once.
    QString tooManyClients() {
        std::vector<std::unique_ptr<QTcpSocket>> held;
        int answered = 0;
        for (int i = 0; i < kaltero::live::ClientGate::kMaxClients + 4; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            if (!connectTo(*s)) {
                break;
            }
            s->write("GET /live.css?key=" + key_ + " HTTP/1.1\r\nHost: x\r\n\r\n");
            if (readStatus(*s) == 200) {
                ++answered;
            }
            held.push_back(std::move(s));
        }
        // The good page holds one connection.
        if (answered != kaltero::live::ClientGate::kMaxClients - 1) {
            return u"%1 clients answered"_s.arg(answered);
        }
        held.clear();
        QThread::msleep(200);
        return statusOf("GET /live.css?key=" + key_ + " HTTP/1.1\r\nHost: x\r\n\r\n") == 200
                   ? QString()
                   : u"no answer once the others left"_s;
    }
    QString unmaskedFrame() { return badFrame(QByteArray("\x81\x05hello", 7)); }
    QString reservedBits() { return badFrame(QByteArray("\xF1\x80\x00\x00\x00\x00", 6)); }
    QString hugeLength() {
        return badFrame(QByteArray("\x82\xFF\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00", 14));
    }
    QString unknownOpcode() { return badFrame(QByteArray("\x83\x80\x01\x02\x03\x04", 6)); }

private:
    bool connectTo(QTcpSocket& s) {
        s.connectToHost(u"127.0.0.1"_s, kPort);
        return s.waitForConnected(3000);
    }
    int readStatus(QTcpSocket& s) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!got.contains("\r\n\r\n") && t.elapsed() < 3000 && s.waitForReadyRead(500)) {
            got += s.readAll();
        }
        got += s.readAll();
        return got.startsWith("HTTP/1.1 ") ? got.mid(9, 3).toInt() : 0;
    }
    int statusOf(const QByteArray& request) {
        QTcpSocket s;
        if (!connectTo(s)) {
            return -1;
        }
        s.write(request);
        return readStatus(s);
    }
    // Sent whole, the request gets no answer but the end of its connection.
    QString expectDropped(const QByteArray& request) {
        QTcpSocket s;
        if (!connectTo(s)) {
            return u"no connection"_s;
        }
        s.write(request);
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < 15'000) {
            s.waitForBytesWritten(50);
            if (s.waitForReadyRead(50)) {
                got += s.readAll();
            }
        }
        got += s.readAll();
        if (s.state() == QAbstractSocket::ConnectedState) {
            return u"still connected"_s;
        }
        return got.startsWith("HTTP/1.1 2") ? u"answered"_s : QString();
    }
    // After a good handshake, a frame no page sends: the server ends the connection.
    QString badFrame(const QByteArray& frame) {
        QTcpSocket s;
        if (!connectTo(s)) {
            return u"no connection"_s;
        }
        s.write("GET /ws?key=" + key_ +
                " HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
        if (readStatus(s) != 101) {
            return u"no upgrade"_s;
        }
        s.write(frame);
        QElapsedTimer t;
        t.start();
        while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < 5000) {
            s.waitForReadyRead(100);
            s.readAll();
        }
        return s.state() == QAbstractSocket::ConnectedState ? u"still connected"_s : QString();
    }

    QByteArray key_;
};

const Hostile::Case kCases[] = {
    {"oversized header", &Hostile::oversizedHeader},
    {"oversized body", &Hostile::oversizedBody},
    {"many headers", &Hostile::manyHeaders},
    {"never reads", &Hostile::neverReads},
    {"trickles", &Hostile::trickles},
    {"path tricks", &Hostile::pathTricks},
    {"wrong key", &Hostile::wrongKey},
    {"too many clients", &Hostile::tooManyClients},
    {"unmasked frame", &Hostile::unmaskedFrame},
    {"reserved bits", &Hostile::reservedBits},
    {"huge length", &Hostile::hugeLength},
    {"unknown opcode", &Hostile::unknownOpcode},
};

}  // namespace

class TestLiveHostile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A port another program holds is told to the operator once; the console times without
    // the page.
    void takenPortIsToldOnce() {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::Any, kPort));
        LiveConsole live(1);
        QVERIFY(live.ready());
        QCOMPARE(live.program.liveServer(), nullptr);
        const QStringList told = live.prompts.texts().filter(u"ライブ表示"_s);
        QCOMPARE(told.size(), 1);
        QVERIFY(told[0].contains(u"8080"_s));
        live.registerSlots({0});
        live.pressStart();
        QVERIFY(live.timing());
        live.prompts.answerYesNo(true);
        live.pressStart();
        QVERIFY(!live.timing());
    }

    // Clients of every bad kind attack the live server while a car laps and a page follows:
    // each is dealt with, the page gets every lap, and no lap time moves.
    void goodCarLapsThroughHostileClients() {
        LiveConsole live(1);
        QVERIFY(live.ready());
        QVERIFY(live.program.liveServer() != nullptr);
        QCOMPARE(live.program.liveServer()->port(), kPort);
        const QByteArray key = live.console.settings.LiveKey.toUtf8();
        live.registerSlots({0});

        Feed page(QUrl(u"ws://127.0.0.1:%1/ws?key="_s.arg(kPort) + QString::fromUtf8(key)));
        QVERIFY(runUntil([&] { return !page.messages.isEmpty(); }, 3000));
        live.pressStart();
        QVERIFY(live.timing());

        CarSimOptions options;
        options.cars = {1};
        options.laps = 6;
        options.inRangeMs = 400;
        options.intervalMs = 100;
        options.silenceMs = 1500;
        CarSim sim(options);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));

        QStringList verdicts;
        std::unique_ptr<QThread> attack(QThread::create([&] {
            Hostile hostile(key);
            for (const Hostile::Case& c : kCases) {
                const QString v = (hostile.*c.run)();
                if (!v.isEmpty()) {
                    verdicts << QString::fromUtf8(c.name) + u": "_s + v;
                }
            }
        }));
        PauseMeter pauses;
        attack->start();
        QVERIFY(runUntil([&] { return attack->isFinished() && sim.isFinished(); }, 120'000));
        qInfo("longest event-loop pause %lld ms", pauses.longestMs());
        QVERIFY2(verdicts.isEmpty(), qPrintable(verdicts.join(u"; "_s)));
        QVERIFY2(pauses.longestMs() < 500, "the console stalled");

        const auto& result = sim.result();
        QVERIFY2(result.problems.isEmpty(), qPrintable(result.problems.join(u'\n')));
        QVERIFY(result.completed);
        QCOMPARE(result.laps.size(), options.laps);
        auto* laps = live.ui().Car[0]->Spd_Laps;
        // One tick, the car's whole-millisecond clock, and the loopback delay.
        constexpr int kBoundMs = 1 + 1 + 4;
        for (const LapResult& lap : result.laps) {
            const qint64 ticks = laps->cellText(kTicksColumn, lap.lap).toLongLong();
            QCOMPARE(lap.consoleMs, ticks);
            if (!lap.fromSimulatorStart) {
                QVERIFY2(
                    std::abs(ticks - lap.measuredMs) <= kBoundMs,
                    qPrintable(u"lap %1: console %2 ms, car %3 ms"_s.arg(lap.lap).arg(ticks).arg(
                        lap.measuredMs)));
            }
        }
        // The page followed every lap, with the console's own times.
        QVERIFY(runUntil([&] { return page.messages.size() > options.laps; }, 2000));
        QSet<int> timedLaps;
        for (const QJsonObject& m : page.messages) {
            for (const auto& car : m[u"race"_s][u"cars"_s].toArray()) {
                for (const auto& lap : car[u"laps"_s].toArray()) {
                    if (!lap[u"ms"_s].isNull() &&
                        qint64(lap[u"ms"_s].toDouble()) ==
                            laps->cellText(kTicksColumn, lap[u"lap"_s].toInt()).toLongLong()) {
                        timedLaps.insert(lap[u"lap"_s].toInt());
                    }
                }
            }
        }
        QCOMPARE(int(timedLaps.size()), options.laps);
        QCOMPARE(page.socket.state(), QAbstractSocket::ConnectedState);
        live.prompts.answerYesNo(true);
        live.pressStart();
    }
};

QTEST_MAIN(TestLiveHostile)
#include "test_live_hostile.moc"
