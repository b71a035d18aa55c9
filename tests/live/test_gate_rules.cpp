#include "live/client_address.h"
#include "live/client_frames.h"
#include "live/http_head.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::live::addressBucket;
using kaltero::live::ClientFrames;
using kaltero::live::givenKey;
using kaltero::live::keyInHead;
using kaltero::live::parseHead;

Q_DECLARE_METATYPE(ClientFrames::Fault)

namespace {

// A frame as a client sends it: masked unless told, its payload masked with the key.
QByteArray frame(quint8 first, const QByteArray& payload, bool masked = true) {
    QByteArray f(1, char(first));
    const char mask = masked ? char(0x80) : char(0);
    if (payload.size() < 126) {
        f += char(mask | char(payload.size()));
    } else {
        f += char(mask | 126);
        f += char(payload.size() >> 8);
        f += char(payload.size() & 0xFF);
    }
    const QByteArray key("\x01\x02\x03\x04", 4);
    if (masked) {
        f += key;
    }
    for (qsizetype i = 0; i < payload.size(); ++i) {
        f += masked ? char(payload[i] ^ key[i % 4]) : payload[i];
    }
    return f;
}

}  // namespace

class TestGateRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Connections are counted per address; a device holds every IPv6 address of its /64.
    void bucket_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("one IPv4 address") << u"10.0.0.5"_s << u"10.0.0.5"_s << true;
        QTest::newRow("IPv4 neighbours") << u"10.0.0.5"_s << u"10.0.0.6"_s << false;
        QTest::newRow("IPv4 mapped") << u"::ffff:10.0.0.5"_s << u"10.0.0.5"_s << true;
        QTest::newRow("mapped neighbours") << u"::ffff:10.0.0.5"_s << u"::ffff:10.0.0.6"_s << false;
        QTest::newRow("one /64") << u"2001:db8:1:2::1"_s << u"2001:db8:1:2:ffff:1:2:3"_s << true;
        QTest::newRow("next /64") << u"2001:db8:1:2::1"_s << u"2001:db8:1:3::1"_s << false;
        QTest::newRow("link-local /64") << u"fe80::1"_s << u"fe80::2"_s << true;
        QTest::newRow("IPv4 and IPv6") << u"10.0.0.5"_s << u"::a00:5"_s << false;
    }
    void bucket() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(addressBucket(QHostAddress(a)) == addressBucket(QHostAddress(b)), same);
    }

    // The key is found in a head without splitting it into headers, as the whole parse finds it.
    void headKey_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("key");
        QTest::newRow("target") << "GET /api/race?key=abc HTTP/1.1\r\nHost: x"_ba << u"abc"_s;
        QTest::newRow("encoded") << "GET /?a=1&key=a%62c HTTP/1.1\r\nHost: x"_ba << u"abc"_s;
        QTest::newRow("twice") << "GET /?key=abc&key=abc HTTP/1.1\r\nHost: x"_ba << u"\n"_s;
        QTest::newRow("cookie") << "GET / HTTP/1.1\r\nHost: x\r\ncOOkie: a=1; kaltero_key=abc"_ba
                                << u"abc"_s;
        QTest::newRow("cookie, bare LF")
            << "GET / HTTP/1.1\nCookie :  kaltero_key=abc \n"_ba << u"abc"_s;
        QTest::newRow("first cookie header only")
            << "GET / HTTP/1.1\r\nCookie: a=1\r\nCookie: kaltero_key=abc"_ba << QString();
        QTest::newRow("cookie named twice")
            << "GET / HTTP/1.1\r\nCookie: kaltero_key=abc; kaltero_key=abc"_ba << u"\n"_s;
        QTest::newRow("target before cookie")
            << "GET /?key=abc HTTP/1.1\r\nCookie: kaltero_key=def"_ba << u"abc"_s;
        QTest::newRow("a header named like the cookie")
            << "GET / HTTP/1.1\r\nX-Cookie: kaltero_key=abc"_ba << QString();
        QTest::newRow("none") << "GET / HTTP/1.1\r\nHost: x"_ba << QString();
        QTest::newRow("no request line") << ""_ba << QString();
    }
    void headKey() {
        QFETCH(QByteArray, head);
        QFETCH(QString, key);
        QCOMPARE(keyInHead(head), key);
        if (parseHead(head).valid) {
            QCOMPARE(givenKey(parseHead(head)), key);
        }
    }

    // A keyless head of thousands of empty headers costs a scan of its bytes, no more: far less
    // than splitting it into headers.
    void keyOfALongHeadIsCheap() {
        QByteArray head = "GET /api/race HTTP/1.1\r\nHost: x\r\n";
        while (head.size() < 32 * 1024 - 8) {
            head += "a:\r\n";
        }
        constexpr int kRounds = 200;
        QElapsedTimer t;
        t.start();
        qsizetype found = 0;
        for (int i = 0; i < kRounds; ++i) {
            found += keyInHead(head).size();
        }
        const qint64 scanNs = t.nsecsElapsed();
        t.restart();
        for (int i = 0; i < kRounds; ++i) {
            found += parseHead(head).headers.size();
        }
        const qint64 splitNs = t.nsecsElapsed();
        qInfo("a 32 KiB head of empty headers: key found in %lld us, split in %lld us",
              scanNs / kRounds / 1000, splitNs / kRounds / 1000);
        QVERIFY(found > 0);
        QVERIFY2(scanNs * 5 < splitNs, "finding the key costs as much as splitting the head");
    }

    // What a page sends over its feed is read frame by frame: pings, pongs and a close pass,
    // anything else is a fault that ends the connection.
    void clientFrames_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<ClientFrames::Fault>("fault");
        QTest::addColumn<QByteArray>("opcodes");  // of the whole control frames read
        using F = ClientFrames::Fault;
        const QByteArray pong = frame(0x8A, "p");
        const QByteArray ping = frame(0x89, QByteArray(125, 'x'));
        QTest::newRow("pong") << QList<QByteArray>{pong} << F::None << "\x0A"_ba;
        QTest::newRow("ping and close in one chunk")
            << QList<QByteArray>{ping + frame(0x88, "\x03\xe8")} << F::None << "\x09\x08"_ba;
        QList<QByteArray> bytes;
        const QByteArray both = ping + pong;
        for (const char c : both) {
            bytes << QByteArray(1, c);
        }
        QTest::newRow("a byte at a time") << bytes << F::None << "\x09\x0A"_ba;
        QTest::newRow("unmasked ping")
            << QList<QByteArray>{frame(0x89, {}, false)} << F::Unmasked << ""_ba;
        QTest::newRow("unmasked after a pong")
            << QList<QByteArray>{pong, frame(0x8A, {}, false)} << F::Unmasked << "\x0A"_ba;
        QTest::newRow("unmasked, header cut")
            << QList<QByteArray>{"\x89"_ba, "\x00"_ba} << F::Unmasked << ""_ba;
        QTest::newRow("text") << QList<QByteArray>{frame(0x81, "hi")} << F::Message << ""_ba;
        QTest::newRow("binary") << QList<QByteArray>{frame(0x82, "hi")} << F::Message << ""_ba;
        QTest::newRow("continuation")
            << QList<QByteArray>{frame(0x80, "hi")} << F::Message << ""_ba;
        QTest::newRow("reserved bits")
            << QList<QByteArray>{frame(0xCA, {})} << F::Malformed << ""_ba;
        QTest::newRow("unknown opcode")
            << QList<QByteArray>{frame(0x83, {})} << F::Malformed << ""_ba;
        QTest::newRow("control frame in pieces")
            << QList<QByteArray>{frame(0x0A, {})} << F::Malformed << ""_ba;
        QTest::newRow("control frame too long")
            << QList<QByteArray>{frame(0x8A, QByteArray(126, 'x'))} << F::Malformed << ""_ba;
    }
    void clientFrames() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(ClientFrames::Fault, fault);
        QFETCH(QByteArray, opcodes);
        ClientFrames reader;
        QList<ClientFrames::Frame> frames;
        ClientFrames::Fault found = ClientFrames::Fault::None;
        for (const QByteArray& chunk : chunks) {
            found = reader.take(chunk, frames);
            if (found != ClientFrames::Fault::None) {
                break;
            }
        }
        QCOMPARE(found, fault);
        QByteArray read;
        for (const auto& f : frames) {
            read += char(f.opcode);
        }
        QCOMPARE(read, opcodes);
        // Payloads come unmasked.
        if (opcodes == "\x09\x08") {
            QCOMPARE(frames[0].payload, QByteArray(125, 'x'));
            QCOMPARE(frames[1].payload, "\x03\xe8"_ba);
        }
    }
};

QTEST_GUILESS_MAIN(TestGateRules)
#include "test_gate_rules.moc"
