#include "core/full_width.h"
#include "platform/cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::core::toFullWidth;
using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;

namespace {

// The bytes a car receives for a text, and whether every character reached it intact.
bool travelsIntact(const QString& text) {
    return decodeCp932(encodeCp932(text)) == text;
}

bool isDoubleByte(QChar c) {
    return encodeCp932(QString(c)).size() == 2;
}

}  // namespace

class TestFullWidth : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void converts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("wide");
        QTest::newRow("typed message") << u"pit in 3"_s << u"ｐｉｔ　ｉｎ　３"_s;
        QTest::newRow("all-cars frame") << u"(全車へ:ABC)"_s << u"（全車へ：ＡＢＣ）"_s;
        QTest::newRow("quotes") << u"'a' \"b\""_s << u"’ａ’　”ｂ”"_s;
        QTest::newRow("backslash tilde backquote") << u"\\~`"_s << u"＼～｀"_s;
        QTest::newRow("half-width katakana") << u"ﾋﾟｯﾄｲﾝ"_s << u"ピットイン"_s;
        QTest::newRow("voiced marks joined") << u"ｶﾞｿﾘﾝﾊﾟﾄﾞﾎﾞｳﾞ"_s << u"ガソリンパドボヴ"_s;
        QTest::newRow("mark that joins nothing stays a mark")
            << u"ｱﾞﾜﾞﾏﾟﾟ"_s << u"ア゛ワ゛マ゜゜"_s;
        QTest::newRow("half-width punctuation") << u"｡｢｣､･ｰ"_s << u"。「」、・ー"_s;
        QTest::newRow("full-width stays") << u"ＡＢ　ガ１"_s << u"ＡＢ　ガ１"_s;
        QTest::newRow("full-width kana then half-width mark") << u"カﾞ"_s << u"カ゛"_s;
        QTest::newRow("Latin-1 signs") << u"¥100 £ ¢ ¬"_s << u"￥１００　￡　￠　￢"_s;
        QTest::newRow("line break kept") << u"a\r\nb"_s << u"ａ\r\nｂ"_s;
        QTest::newRow("no code page form") << u"é😀"_s << u"？？"_s;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << u"？"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void converts() {
        QFETCH(QString, text);
        QFETCH(QString, wide);
        QCOMPARE(toFullWidth(text), wide);
    }

    void everyPrintableAsciiBecomesOneDoubleByteCharacter() {
        for (char16_t c = u' '; c <= u'~'; ++c) {
            const QString wide = toFullWidth(QString(QChar(c)));
            QCOMPARE(wide.size(), 1);
            QVERIFY2(travelsIntact(wide), qPrintable(wide));
            QVERIFY2(isDoubleByte(wide.front()), qPrintable(wide));
        }
    }

    void everyHalfWidthKatakanaBecomesDoubleByte() {
        for (char16_t c = 0xFF61; c <= 0xFF9F; ++c) {
            const QString wide = toFullWidth(QString(QChar(c)));
            QCOMPARE(wide.size(), 1);
            QVERIFY2(travelsIntact(wide), qPrintable(wide));
            QVERIFY2(isDoubleByte(wide.front()), qPrintable(wide));
            for (const char16_t mark : {u'\uFF9E', u'\uFF9F'}) {
                const QString pair = toFullWidth(QString(QString(QChar(c)) + QChar(mark)));
                QVERIFY2(travelsIntact(pair), qPrintable(pair));
                for (const QChar w : pair) {
                    QVERIFY2(isDoubleByte(w), qPrintable(pair));
                }
            }
        }
    }

    // Whatever the operator types, the message reaches the car without a "?" in it.
    void resultIsAlwaysEncodable() {
        QString everything;
        for (char32_t c = 1; c < 0x20000; c += 7) {
            everything += QString::fromUcs4(&c, 1);
        }
        QVERIFY(travelsIntact(toFullWidth(everything)));
    }
};

QTEST_GUILESS_MAIN(TestFullWidth)
#include "test_full_width.moc"
