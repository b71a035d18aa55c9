#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <optional>

namespace kaltero::platform {
namespace {

// ICU's windows-31j converter swaps the ASCII control codes 0x1A, 0x1C and 0x7F the way IBM
// code pages do, while Windows maps 0x00..0x7F one to one. ASCII therefore never goes through
// ICU; only runs of non-ASCII text do.
constexpr const char* kCodePage = "windows-31j";

bool isLeadByte(uchar b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrailByte(uchar b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool isHalfWidthKana(uchar b) {
    return b >= 0xA1 && b <= 0xDF;
}

std::optional<QByteArray> encodeRun(QStringView run) {
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        return std::nullopt;
    }
    QByteArray bytes = encoder.encode(run);
    if (encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> decodeRun(QByteArrayView run) {
    QStringDecoder decoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    QString text = decoder.decode(run);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

bool isOneCodePoint(QStringView run) {
    return run.size() == 1 || (run.size() == 2 && run[0].isHighSurrogate());
}

// Encodes a run of well-formed non-ASCII text. A run that ICU refuses is halved until the
// characters it cannot hold are found; each of them becomes "?". Bad characters are rare, so
// this costs one ICU call for the usual run and O(k log n) calls for k bad characters.
void appendEncoded(QByteArray& out, QStringView run) {
    if (const auto bytes = encodeRun(run)) {
        out += *bytes;
        return;
    }
    if (isOneCodePoint(run)) {
        out += '?';
        return;
    }
    qsizetype mid = run.size() / 2;
    if (run[mid].isLowSurrogate()) {
        ++mid;  // never split a surrogate pair
    }
    appendEncoded(out, run.first(mid));
    appendEncoded(out, run.sliced(mid));
}

// Length of the well-formed non-ASCII run that starts at i (0 when text[i] is a lone surrogate).
qsizetype nonAsciiRun(QStringView text, qsizetype i) {
    const qsizetype start = i;
    while (i < text.size() && text[i].unicode() >= 0x80) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            i += 2;
        } else if (text[i].isSurrogate()) {
            break;
        } else {
            ++i;
        }
    }
    return i - start;
}

// The character of one kana byte or one lead and trail byte pair; U+FFFD when the code page
// leaves it unassigned. Code page 932 has no state, so a character decodes alike wherever it
// stands: each is asked of ICU once and kept, and a damaged file of millions of stray pairs
// costs no more than a sound one.
QChar decodeCharacter(QByteArrayView character) {
    thread_local std::array<char16_t, 0x10000> known{};  // 0: not asked yet
    const auto first = static_cast<uchar>(character[0]);
    const int key = character.size() == 1 ? first : first << 8 | static_cast<uchar>(character[1]);
    char16_t& c = known[key];
    if (c == 0) {
        const auto text = decodeRun(character);
        c = text && text->size() == 1 ? text->front().unicode()
                                      : char16_t{QChar::ReplacementCharacter};
    }
    return QChar(c);
}

}  // namespace

QByteArray encodeCp932(QStringView text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const qsizetype length = nonAsciiRun(text, i);
        if (length == 0) {
            out += '?';  // a lone surrogate is no character at all
            ++i;
            continue;
        }
        appendEncoded(out, text.sliced(i, length));
        i += length;
    }
    return out;
}

QString decodeCp932(QByteArrayView bytes) {
    // Never more characters than bytes: written in place, then cut to length.
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* const begin = out.data();
    QChar* end = begin;
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar b = in[i];
        if (b < 0x80) {
            *end++ = QChar(char16_t{b});
            ++i;
        } else if (isHalfWidthKana(b)) {
            *end++ = decodeCharacter(bytes.sliced(i, 1));
            ++i;
        } else if (isLeadByte(b) && i + 1 < size && isTrailByte(in[i + 1])) {
            *end++ = decodeCharacter(bytes.sliced(i, 2));
            i += 2;
        } else {
            *end++ = QChar::ReplacementCharacter;  // a stray byte that starts no character
            ++i;
        }
    }
    out.truncate(end - begin);
    return out;
}

bool isCp932Encodable(QStringView text) {
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i].unicode() < 0x80) {
            ++i;
            continue;
        }
        const qsizetype length = nonAsciiRun(text, i);
        if (length == 0 || !encodeRun(text.sliced(i, length))) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace kaltero::platform
