// Report -> reply round trip through the running console, against a minimal UDP echo on the
// same event loop, measured interleaved in one run on 127.0.0.1. The console keeps its journal
// as in a race; reports that close no lap must write nothing to it.
//
//   bench_round_trip [pairs]      (default 3000 pairs after 300 to warm up)

#include "bench_common.h"
#include "journal/journal.h"
#include "link/protocol.h"
#include "live_console.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QTextStream>
#include <QThread>
#include <QUdpSocket>

#include <atomic>
#include <cstdio>
#include <memory>

using kaltero::bench::percentile;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

constexpr int kWarmUp = 300;
constexpr int kReplyTimeoutMs = 1000;

// Bytes of the journal on disk: the database and its write-ahead log.
qint64 journalBytes(const LiveConsole& live) {
    const QString db = QDir(live.dir.path()).filePath(QStringLiteral("Kaltero.db"));
    return QFileInfo(db).size() + QFileInfo(db + u"-wal").size();
}

struct Samples {
    std::vector<qint64> consoleNs;
    std::vector<qint64> echoNs;
    int lost = 0;
};

// One exchange from a blocking socket: send, wait for the answer. -1 when none came.
qint64 roundTrip(QUdpSocket& socket, const QByteArray& bytes, quint16 port) {
    QElapsedTimer clock;
    clock.start();
    socket.writeDatagram(bytes, QHostAddress::LocalHost, port);
    while (!socket.hasPendingDatagrams()) {
        if (!socket.waitForReadyRead(kReplyTimeoutMs)) {
            return -1;
        }
    }
    socket.receiveDatagram();
    return clock.nsecsElapsed();
}

void measure(int pairs, quint16 echoPort, Samples& out) {
    QUdpSocket car;  // car 1's PC: replies come to its port 7012
    QUdpSocket plain;
    if (!car.bind(QHostAddress::AnyIPv4, kaltero::link::carPort(0)) ||
        !plain.bind(QHostAddress::LocalHost, 0)) {
        out.lost = -1;
        return;
    }
    const QByteArray report = QByteArrayLiteral("000");
    for (int i = 0; i < kWarmUp + pairs; ++i) {
        // Alternate which goes first, so neither always follows an idle pause.
        const bool consoleFirst = i % 2 == 0;
        qint64 viaConsole = 0;
        qint64 viaEcho = 0;
        if (consoleFirst) {
            viaConsole = roundTrip(car, report, kaltero::link::consolePort(0));
            viaEcho = roundTrip(plain, report, echoPort);
        } else {
            viaEcho = roundTrip(plain, report, echoPort);
            viaConsole = roundTrip(car, report, kaltero::link::consolePort(0));
        }
        if (viaConsole < 0 || viaEcho < 0) {
            ++out.lost;
            continue;
        }
        if (i >= kWarmUp) {
            out.consoleNs.push_back(viaConsole);
            out.echoNs.push_back(viaEcho);
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int pairs = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 3000;
    QTextStream out(stdout);

    // 10 s without a report makes a lap; the exchange never pauses that long, so every
    // report takes the common path: parse, show, build the reply, send, rank.
    LiveConsole live(10);
    if (!live.ready()) {
        out << "the console window did not open" << Qt::endl;
        return 1;
    }
    const kaltero::journal::Journal* journal = live.program.journal();
    if (journal == nullptr || !journal->isOpen()) {
        out << "the console's journal did not open" << Qt::endl;
        return 1;
    }
    live.registerSlots({0, 1});
    live.pressStart();
    live.program.journal()->flush();
    const qint64 journalBefore = journalBytes(live);

    // The minimal echo: same event loop, same socket class, no work between read and send.
    QUdpSocket echo;
    echo.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&echo, &QUdpSocket::readyRead, [&echo] {
        while (echo.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = echo.receiveDatagram();
            echo.writeDatagram(datagram.data(), datagram.senderAddress(), datagram.senderPort());
        }
    });

    Samples samples;
    std::unique_ptr<QThread> client(
        QThread::create([&] { measure(pairs, echo.localPort(), samples); }));
    client->start();
    runUntil([&] { return client->isFinished(); }, 10 * 60 * 1000);
    client->wait();
    const qsizetype journalWaiting = journal->waiting();
    const qint64 journalWritten = journalBytes(live) - journalBefore;
    if (samples.lost < 0) {
        out << "cannot bind car 1's port 7012 (is another console or test running?)" << Qt::endl;
        return 1;
    }
    if (samples.consoleNs.empty()) {
        out << "no round trip completed" << Qt::endl;
        return 1;
    }

    const double consoleMedian = percentile(samples.consoleNs, 0.5) / 1000.0;
    const double consoleP99 = percentile(samples.consoleNs, 0.99) / 1000.0;
    const double echoMedian = percentile(samples.echoNs, 0.5) / 1000.0;
    const double echoP99 = percentile(samples.echoNs, 0.99) / 1000.0;
    out << "report -> reply round trip on 127.0.0.1, " << samples.consoleNs.size()
        << " interleaved pairs (" << samples.lost << " lost)\n";
    out << QStringLiteral("  console  median %1 us  p99 %2 us\n")
               .arg(consoleMedian, 0, 'f', 1)
               .arg(consoleP99, 0, 'f', 1);
    out << QStringLiteral("  echo     median %1 us  p99 %2 us\n")
               .arg(echoMedian, 0, 'f', 1)
               .arg(echoP99, 0, 'f', 1);
    out << QStringLiteral("  ratio console/echo: median %1 (aim <= 1.2)  p99 %2\n")
               .arg(consoleMedian / echoMedian, 0, 'f', 2)
               .arg(consoleP99 / echoP99, 0, 'f', 2);
    out << "  journal on: " << journalWritten << " bytes written, " << journalWaiting
        << " operations waiting (aim: 0 and 0)\n";
    out.flush();
    return 0;
}
