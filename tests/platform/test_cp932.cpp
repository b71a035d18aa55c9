#include "platform/cp932.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::platform::isCp932Encodable;

class TestCp932 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("car caption, wave dash, voiced half-width kana")
            << u"１号車～ﾊﾞ"_s << QByteArray::fromHex("82508d868ed48160cade");
        QTest::newRow("ASCII unchanged") << u"pit in 3, OK"_s << "pit in 3, OK"_ba;
        // ICU swaps these control codes; Windows keeps them
        QTest::newRow("control codes one to one")
            << u"\x1a\x1c\x7f\t"_s << QByteArray::fromHex("1a1c7f09");
        QTest::newRow("backslash and tilde stay single bytes") << u"\\~"_s << "\\~"_ba;
        QTest::newRow("Windows extension rows")
            << u"＇＂￤"_s << QByteArray::fromHex("fa56fa57fa55");
        QTest::newRow("yen sign has no form") << u"¥5"_s << "?5"_ba;
        QTest::newRow("emoji is one question mark") << u"a😀b"_s << "a?b"_ba;
        QTest::newRow("lone high surrogate") << u"a"_s + QChar(0xD800) + u"b"_s << "a?b"_ba;
        QTest::newRow("lone low surrogate at end")
            << u"車"_s + QChar(0xDC00) << QByteArray::fromHex("8ed43f");
        QTest::newRow("bad characters among good ones")
            << u"あé い€う"_s << QByteArray::fromHex("82a03f2082a23f82a4");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void encodes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeCp932(text).toHex(' '), bytes.toHex(' '));
    }

    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QChar bad = QChar::ReplacementCharacter;
        QTest::newRow("car caption")
            << QByteArray::fromHex("82508d868ed48160cade") << u"１号車～ﾊﾞ"_s;
        QTest::newRow("control codes one to one")
            << QByteArray::fromHex("1a1c7f00") << u"\x1a\x1c\x7f"_s + QChar(0);
        QTest::newRow("stray single bytes") << QByteArray::fromHex("4180a0fdfeff42")
                                            << u"A"_s + bad + bad + bad + bad + bad + u"B"_s;
        QTest::newRow("lead byte at the end") << QByteArray::fromHex("418c") << u"A"_s + bad;
        QTest::newRow("lead byte before ASCII keeps the ASCII")
            << QByteArray::fromHex("8c2041") << QString(bad) + u" A"_s;
        QTest::newRow("lead byte before line end keeps the line end")
            << QByteArray::fromHex("8c0d0a") << QString(bad) + u"\r\n"_s;
        QTest::newRow("unassigned pair among good ones")
            << QByteArray::fromHex("82a0854082a2") << u"あ"_s + bad + u"い"_s;
        QTest::newRow("user-defined area") << QByteArray::fromHex("f040") << u"\uE000"_s;
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeCp932(bytes), text);
    }

    void everySingleByteCharacterRoundTrips() {
        for (int b = 0; b < 0x100; ++b) {
            const QByteArray one(1, static_cast<char>(b));
            const QString text = decodeCp932(one);
            QCOMPARE(text.size(), 1);
            const bool character = b < 0x80 || (b >= 0xA1 && b <= 0xDF);
            if (character) {
                QCOMPARE(encodeCp932(text), one);
            } else {
                QCOMPARE(text.front(), QChar(QChar::ReplacementCharacter));
            }
        }
    }

    void encodable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encodable");
        QTest::newRow("Japanese and ASCII") << u"あと３周でピットインです。abc"_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("wave dash U+301C is not the code page's") << u"〜"_s << false;
        QTest::newRow("emoji") << u"😀"_s << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false;
        QTest::newRow("replacement character")
            << QString(QChar(QChar::ReplacementCharacter)) << false;
    }
    void encodable() {
        QFETCH(QString, text);
        QFETCH(bool, encodable);
        QCOMPARE(isCp932Encodable(text), encodable);
    }

    // Garbage from the network or a damaged file must not take the console's time.
    void longBadInputIsQuick() {
        QByteArray bytes;
        for (int i = 0; i < 200'000; ++i) {
            bytes += "\xff\x85\x40"_ba;  // a stray byte and an unassigned pair
        }
        QString text;
        for (int i = 0; i < 200'000; ++i) {
            text += u"a😀é"_s;
        }
        QElapsedTimer timer;
        timer.start();
        const QString decoded = decodeCp932(bytes);
        const QByteArray encoded = encodeCp932(text);
        QCOMPARE(decoded.size(), 400'000);
        QCOMPARE(decoded.count(QChar(QChar::ReplacementCharacter)), 400'000);
        QCOMPARE(encoded.size(), 600'000);
        QCOMPARE(encoded.count('?'), 400'000);
        QVERIFY2(timer.elapsed() < 20'000, "pathological input took too long");
    }
};

QTEST_GUILESS_MAIN(TestCp932)
#include "test_cp932.moc"
