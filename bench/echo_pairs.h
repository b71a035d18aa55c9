#pragma once

#include "bench_common.h"
#include "core/ports.h"
#include "live_console.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTextStream>
#include <QThread>
#include <QUdpSocket>

#include <memory>
#include <vector>

namespace kaltero::bench {

// Report -> reply round trips through car 1's slot of the running console against a minimal
// UDP echo on the same event loop, measured in interleaved pairs from blocking sockets on a
// thread of their own. lost is -1 when car 1's port could not be bound.
struct EchoPairs {
    std::vector<qint64> consoleNs;
    std::vector<qint64> echoNs;
    int lost = 0;
};

namespace echo_pairs {

constexpr int kWarmUp = 300;
constexpr int kReplyTimeoutMs = 1000;

// One exchange from a blocking socket: send, wait for the answer. -1 when none came.
inline qint64 roundTrip(QUdpSocket& socket, const QByteArray& bytes, quint16 port) {
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

inline void measure(int pairs, quint16 echoPort, EchoPairs& out) {
    QUdpSocket car;  // car 1's PC: replies come to its port 7012
    QUdpSocket plain;
    if (!car.bind(QHostAddress::AnyIPv4, core::carPort(0)) ||
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
            viaConsole = roundTrip(car, report, core::consolePort(0));
            viaEcho = roundTrip(plain, report, echoPort);
        } else {
            viaEcho = roundTrip(plain, report, echoPort);
            viaConsole = roundTrip(car, report, core::consolePort(0));
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

}  // namespace echo_pairs

// Measures `pairs` pairs while this thread's event loop serves the console and the echo.
inline EchoPairs measureEchoPairs(int pairs) {
    // The minimal echo: same event loop, same socket class, no work between read and send.
    QUdpSocket echo;
    echo.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&echo, &QUdpSocket::readyRead, [&echo] {
        while (echo.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = echo.receiveDatagram();
            echo.writeDatagram(datagram.data(), datagram.senderAddress(), datagram.senderPort());
        }
    });
    EchoPairs samples;
    std::unique_ptr<QThread> client(
        QThread::create([&] { echo_pairs::measure(pairs, echo.localPort(), samples); }));
    client->start();
    testing::runUntil([&] { return client->isFinished(); }, 10 * 60 * 1000);
    client->wait();
    return samples;
}

// The pairs' figures and their ratio against its aim; false when no pair completed.
inline bool printEchoPairs(QTextStream& out, const EchoPairs& samples, double aim) {
    if (samples.lost < 0) {
        out << "cannot bind car 1's port 7012 (is another console or test running?)" << Qt::endl;
        return false;
    }
    if (samples.consoleNs.empty()) {
        out << "no round trip completed" << Qt::endl;
        return false;
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
    out << QStringLiteral("  ratio console/echo: median %1 (aim <= %2)  p99 %3\n")
               .arg(consoleMedian / echoMedian, 0, 'f', 2)
               .arg(aim, 0, 'f', 1)
               .arg(consoleP99 / echoP99, 0, 'f', 2);
    return true;
}

}  // namespace kaltero::bench
