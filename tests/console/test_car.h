#pragma once

#include "platform/cp932.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <optional>

namespace kaltero::testing {

// The car PC's end of the link for car slot s, on this machine: it reports to 70k1 and is
// answered on 70k2.
class TestCar {
public:
    explicit TestCar(int slot) : slot_(slot) {
        if (!socket_.bind(QHostAddress::AnyIPv4, static_cast<quint16>(7012 + 10 * slot))) {
            qFatal("cannot bind the car port");
        }
    }
    void send(const QString& text) {
        socket_.writeDatagram(platform::encodeCp932(text), QHostAddress::LocalHost,
                              static_cast<quint16>(7011 + 10 * slot_));
    }
    // The next datagram, or nothing within waitMs.
    std::optional<QByteArray> receive(int waitMs = 2000) {
        QElapsedTimer waited;
        waited.start();
        while (!socket_.hasPendingDatagrams() && waited.elapsed() < waitMs) {
            QTest::qWait(2);
        }
        if (!socket_.hasPendingDatagrams()) {
            return std::nullopt;
        }
        return socket_.receiveDatagram().data();
    }
    QString exchange(const QString& report) {
        send(report);
        const auto bytes = receive();
        return bytes ? platform::decodeCp932(*bytes) : QStringLiteral("<no reply>");
    }
    // The report of a car that holds the record of lap `held`: "000", "007".
    static QString lapReport(int held) {
        return QStringLiteral("%1").arg(held, 3, 10, QLatin1Char('0'));
    }

private:
    int slot_;
    QUdpSocket socket_;
};

}  // namespace kaltero::testing
