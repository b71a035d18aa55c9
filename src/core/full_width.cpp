#include "full_width.h"

#include "platform/cp932.h"

namespace kaltero::core {
namespace {

// Full-width forms of U+FF61..U+FF9F (half-width katakana and their punctuation).
constexpr char16_t kKatakana[] =
    u"。「」、・ヲァィゥェォャュョッー"
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
    u"゛゜";
static_assert(std::size(kKatakana) - 1 == 0xFF9F - 0xFF61 + 1);

constexpr char16_t kVoicedMark = u'\uFF9E';      // ﾞ
constexpr char16_t kSemiVoicedMark = u'\uFF9F';  // ﾟ

char16_t asciiFullWidth(char16_t c) {
    switch (c) {
        case u' ':
            return u'\u3000';
        // The JIS X 0208 quotation marks: any Shift_JIS reader on the car side shows them,
        // while ＇ and ＂ exist only in the Windows extension rows.
        case u'\'':
            return u'’';
        case u'"':
            return u'”';
        default:
            return static_cast<char16_t>(c - u'!' + u'！');
    }
}

// Latin-1 signs and half-width symbol forms whose full-width form code page 932 holds.
char16_t otherFullWidth(char16_t c) {
    switch (c) {
        case u'\u00A2':
            return u'￠';
        case u'\u00A3':
            return u'￡';
        case u'\u00A5':
            return u'￥';
        case u'\u00A6':
            return u'￤';
        case u'\u00AC':
            return u'￢';
        case u'\u00AF':
            return u'￣';
        case u'\uFFE8':
            return u'│';
        case u'\uFFE9':
            return u'←';
        case u'\uFFEA':
            return u'↑';
        case u'\uFFEB':
            return u'→';
        case u'\uFFEC':
            return u'↓';
        case u'\uFFED':
            return u'■';
        case u'\uFFEE':
            return u'○';
        default:
            return c;
    }
}

// ｶ..ﾄ and ﾊ..ﾎ take the voiced mark, ﾊ..ﾎ also the semi-voiced one; ｳﾞ is ヴ. Other
// combinations (ﾜﾞ, ｦﾞ) have no code page 932 form and stay two characters.
std::optional<char16_t> joined(char16_t halfWidth, char16_t mark) {
    const bool kaToTo = halfWidth >= u'ｶ' && halfWidth <= u'ﾄ';
    const bool haToHo = halfWidth >= u'ﾊ' && halfWidth <= u'ﾎ';
    const char16_t base = kKatakana[halfWidth - 0xFF61];
    if (mark == kVoicedMark) {
        if (kaToTo || haToHo) {
            return static_cast<char16_t>(base + 1);
        }
        if (halfWidth == u'ｳ') {
            return u'ヴ';
        }
    } else if (mark == kSemiVoicedMark && haToHo) {
        return static_cast<char16_t>(base + 2);
    }
    return std::nullopt;
}

// Whatever code page 932 cannot hold would leave the car as a half-width "?"; give it the
// full-width one so the whole text stays double-byte.
QString encodableOnly(const QString& text) {
    if (platform::isCp932Encodable(text)) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QStringView one = QStringView(text).sliced(i, length);
        if (platform::isCp932Encodable(one)) {
            out += one;
        } else {
            out += u'？';
        }
        i += length;
    }
    return out;
}

}  // namespace

QString toFullWidth(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u' ' && c <= u'~') {
            out += QChar(asciiFullWidth(c));
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : u'\0';
            if (const auto kana = joined(c, next)) {
                out += QChar(*kana);
                ++i;
            } else {
                out += QChar(kKatakana[c - 0xFF61]);
            }
        } else {
            out += QChar(otherFullWidth(c));
        }
    }
    return encodableOnly(out);
}

}  // namespace kaltero::core
