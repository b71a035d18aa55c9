#include "platform/clock.h"
#include "platform/tick_clock.h"
#include "platform/udp_link.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

using kaltero::platform::SystemClock;
using kaltero::platform::TickClock;
using kaltero::platform::UdpLink;

namespace {

const QHostAddress kLoopback(QHostAddress::LocalHost);

// The car side: a plain socket on 127.0.0.1 with a port of the system's choosing.
struct Car {
    QUdpSocket socket;
    Car() { socket.bind(kLoopback, 0); }
    int port() const { return socket.localPort(); }
    void send(const QByteArray& bytes, int port) {
        socket.writeDatagram(bytes, kLoopback, static_cast<quint16>(port));
    }
    QNetworkDatagram receive() {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(2000)) {
            return {};
        }
        return socket.receiveDatagram();
    }
};

// A console link listening on a free port, replying to the car.
void bindFree(UdpLink& link) {
    link.setLocalPort(0);
    QVERIFY(link.bind());
    QVERIFY(link.boundPort() > 0);
}

}  // namespace

class TestUdpLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendsCodePage932Bytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("car name, wave dash and half-width kana")
            << QStringLiteral("１号車～ﾊﾞ") << QByteArray::fromHex("82508d868ed48160cade");
        QTest::newRow("reply head") << QStringLiteral("N001") << QByteArray("N001");
        QTest::newRow("pit message")
            << QStringLiteral("あと３周でピットインです。")
            << QByteArray::fromHex("82a082c682528efc82c58373836283678343839382c582b78142");
        QTest::newRow("character outside the code page")
            << QStringLiteral("é1") << QByteArray("?1");
        QTest::newRow("empty datagram") << QString() << QByteArray();
    }
    void sendsCodePage932Bytes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Car car;
        UdpLink link;
        bindFree(link);
        link.setRemoteHost(QStringLiteral("127.0.0.1"));
        link.setRemotePort(car.port());
        QVERIFY(link.sendData(text));
        const QNetworkDatagram got = car.receive();
        QVERIFY(got.isValid());
        QCOMPARE(got.data().toHex(' '), bytes.toHex(' '));
        QCOMPARE(got.senderPort(), link.boundPort());  // replies come from the listening port
    }

    void decodesEachDatagramOnce() {
        Car car;
        UdpLink link;
        bindFree(link);
        QSignalSpy arrivals(&link, &UdpLink::dataArrival);
        car.send(QByteArray("000") + QByteArray::fromHex("82a082c6"), link.boundPort());
        car.send(QByteArray("001"), link.boundPort());
        car.send(QByteArray("002,") + QByteArray::fromHex("8d868ed4"), link.boundPort());
        QTRY_COMPARE(arrivals.count(), 3);
        QTest::qWait(50);
        QCOMPARE(arrivals.count(), 3);
        QCOMPARE(arrivals.at(0).at(0).toString(), QStringLiteral("000あと"));
        QCOMPARE(arrivals.at(1).at(0).toString(), QStringLiteral("001"));
        QCOMPARE(arrivals.at(2).at(0).toString(), QStringLiteral("002,号車"));
        const auto sender = arrivals.at(0).at(1).value<QHostAddress>();
        QVERIFY(sender.isEqual(kLoopback, QHostAddress::ConvertV4MappedToIPv4));
    }

    void handlersAreNeverNested_data() {
        QTest::addColumn<int>("before");
        QTest::newRow("first of a burst") << 0;
        // The dialog opens for the last datagram a link reads in a row.
        QTest::newRow("last of a burst") << UdpLink::kMaxBurst - 1;
    }
    void handlersAreNeverNested() {
        // A handler that shows a dialog runs a nested event loop; the next datagram must wait.
        QFETCH(int, before);
        Car car;
        UdpLink link;
        bindFree(link);
        int depth = 0;
        int deepest = 0;
        QStringList seen;
        connect(&link, &UdpLink::dataArrival, &link, [&](const QString& text, const QHostAddress&) {
            ++depth;
            deepest = std::max(deepest, depth);
            seen << text;
            if (text == u"first") {
                car.send(QByteArray("second"), link.boundPort());
                QEventLoop dialog;
                QTimer::singleShot(150, &dialog, &QEventLoop::quit);
                dialog.exec();
            }
            --depth;
        });
        QStringList expected;
        for (int i = 0; i < before; ++i) {
            expected << QString::number(i);
            car.send(expected.last().toLatin1(), link.boundPort());
        }
        car.send(QByteArray("first"), link.boundPort());
        expected << QStringLiteral("first") << QStringLiteral("second");
        QTRY_COMPARE(seen.size(), expected.size());
        QCOMPARE(seen, expected);
        QCOMPARE(deepest, 1);
    }

    void arrivalTickIsWhenTheDatagramCame() {
#ifndef Q_OS_LINUX
        QSKIP("the kernel's receive stamp is read on Linux only");
#endif
        SystemClock clock;
        TickClock tick(clock);
        tick.start(1000);
        Car car;
        UdpLink link;
        link.setTickClock(&tick);
        bindFree(link);
        QSignalSpy arrivals(&link, &UdpLink::dataArrival);
        const qint32 sent = tick.TickCnt();
        car.send(QByteArray("000"), link.boundPort());
        QThread::msleep(300);  // the console is busy elsewhere
        QTRY_COMPARE(arrivals.count(), 1);
        const qint32 read = tick.TickCnt();
        const qint32 arrived = arrivals.at(0).at(2).toInt();
        QVERIFY2(arrived >= sent && arrived - sent <= 20 && read - arrived >= 290,
                 qPrintable(QStringLiteral("sent at %1, stamped %2, read at %3")
                                .arg(sent)
                                .arg(arrived)
                                .arg(read)));
    }

    void aFloodedLinkLetsTheOthersIn() {
        Car car;
        UdpLink flooded;
        UdpLink quiet;
        bindFree(flooded);
        bindFree(quiet);
        constexpr int kFlood = 3 * UdpLink::kMaxBurst;
        QStringList order;
        connect(&flooded, &UdpLink::dataArrival, this, [&] {
            if (order.isEmpty()) {
                car.send(QByteArray("quiet"), quiet.boundPort());
            }
            order << QStringLiteral("flood");
        });
        connect(&quiet, &UdpLink::dataArrival, this, [&] { order << QStringLiteral("quiet"); });
        for (int i = 0; i < kFlood; ++i) {
            car.send(QByteArray::number(i), flooded.boundPort());
        }
        QTRY_COMPARE(order.size(), kFlood + 1);
        QVERIFY2(order.indexOf(u"quiet") <= UdpLink::kMaxBurst,
                 qPrintable(QString::number(order.indexOf(u"quiet"))));
    }

    void closeStopsArrivals() {
        Car car;
        UdpLink link;
        bindFree(link);
        const int port = link.boundPort();
        QSignalSpy arrivals(&link, &UdpLink::dataArrival);
        link.close();
        QVERIFY(!link.isBound());
        QCOMPARE(link.boundPort(), 0);
        car.send(QByteArray("000"), port);
        QTest::qWait(150);
        QCOMPARE(arrivals.count(), 0);
    }

    void closeInsideAHandlerDropsTheRest() {
        // The stop of one car closes its link while reports may already be waiting.
        Car car;
        UdpLink link;
        bindFree(link);
        QStringList seen;
        connect(&link, &UdpLink::dataArrival, &link, [&](const QString& text, const QHostAddress&) {
            seen << text;
            link.close();
        });
        for (const char* report : {"000", "001", "002"}) {
            car.send(QByteArray(report), link.boundPort());
        }
        QTRY_COMPARE(seen.size(), 1);
        QTest::qWait(150);
        QCOMPARE(seen, QStringList{QStringLiteral("000")});
    }

    void bindsAgainAfterClose() {
        Car car;
        UdpLink link;
        bindFree(link);
        const int port = link.boundPort();
        link.close();
        link.setLocalPort(port);
        QVERIFY(link.bind());
        QVERIFY(link.bind());  // binding a bound link rebinds rather than fails
        QCOMPARE(link.boundPort(), port);
        QSignalSpy arrivals(&link, &UdpLink::dataArrival);
        car.send(QByteArray("003"), port);
        QTRY_COMPARE(arrivals.count(), 1);
        QCOMPARE(arrivals.at(0).at(0).toString(), QStringLiteral("003"));
    }

    void takenPortIsNotFatal() {
        UdpLink first;
        bindFree(first);
        UdpLink second;
        second.setLocalPort(first.boundPort());
        QVERIFY(!second.bind());
        QVERIFY(!second.isBound());
        QVERIFY(first.isBound());
        second.close();  // closing a link that never opened is harmless
    }

    void sendsWithoutBinding() {
        Car car;
        UdpLink link;
        link.setRemoteHost(QStringLiteral("127.0.0.1"));
        link.setRemotePort(car.port());
        QSignalSpy arrivals(&link, &UdpLink::dataArrival);
        QVERIFY(link.sendData(QStringLiteral("1")));
        QCOMPARE(car.receive().data(), QByteArray("1"));
        QVERIFY(!link.isBound());
        car.send(QByteArray("echo"), car.receive().senderPort());  // nothing listens there
        QTest::qWait(100);
        QCOMPARE(arrivals.count(), 0);
    }

    void badDestinationsAreHarmless_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("empty host") << "" << 17002;
        QTest::newRow("octet too large") << "999.1.1.1" << 17002;
        QTest::newRow("five octets") << "1.2.3.4.5" << 17002;
        QTest::newRow("a name is not looked up") << "carpc.invalid" << 17002;
        QTest::newRow("words") << "ｲﾍﾞﾝﾄ" << 17002;
        QTest::newRow("IPv6") << "::1" << 17002;
        QTest::newRow("port zero") << "127.0.0.1" << 0;
        QTest::newRow("port too large") << "127.0.0.1" << 70000;
    }
    void badDestinationsAreHarmless() {
        QFETCH(QString, host);
        QFETCH(int, port);
        UdpLink link;
        bindFree(link);
        link.setRemoteHost(host);
        link.setRemotePort(port);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!link.sendData(QStringLiteral("N001")));
        QVERIFY(clock.elapsed() < 500);  // never waits on a lookup
        QVERIFY(link.isBound());
    }

    void localAddressIsDottedIPv4() {
        const QString ip = UdpLink::localIP();
        QHostAddress address;
        QVERIFY(address.setAddress(ip));
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        QCOMPARE(ip.count(u'.'), 3);
    }
};

QTEST_MAIN(TestUdpLink)
#include "test_udp_link.moc"
