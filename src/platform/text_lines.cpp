#include "text_lines.h"

#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kaltero::platform {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeBom[] = "\xFF\xFE";
constexpr char kUtf16BeBom[] = "\xFE\xFF";

QByteArrayView bom(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8WithBom:
            return kUtf8Bom;
        case TextEncoding::Utf16Le:
            return kUtf16LeBom;
        case TextEncoding::Utf16Be:
            return kUtf16BeBom;
        case TextEncoding::Cp932:
        case TextEncoding::Utf8:
            break;
    }
    return {};
}

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

QStringConverter::Encoding unicodeForm(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf16Le:
            return QStringConverter::Utf16LE;
        case TextEncoding::Utf16Be:
            return QStringConverter::Utf16BE;
        default:
            return QStringConverter::Utf8;
    }
}

bool isAscii(QByteArrayView bytes) {
    for (const char b : bytes) {
        if (static_cast<uchar>(b) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);  // the decoder runs only when converted
    return !decoder.hasError();
}

// Appends the lines of a body of `count` code units to `lines`; unit(i) reads code unit i and
// `width` is its size in bytes.
template <typename Unit>
void appendLines(QList<QByteArray>& lines, QByteArrayView body, qsizetype count, int width,
                 Unit unit) {
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < count) {
        const char16_t c = unit(i);
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(body.sliced(start * width, (i - start) * width).toByteArray());
        ++i;
        if (c == u'\r' && i < count && unit(i) == u'\n') {
            ++i;
        }
        start = i;
    }
    if (start < count) {
        lines.append(body.sliced(start * width, (count - start) * width).toByteArray());
    }
}

}  // namespace

TextEncoding detectEncoding(QByteArrayView bytes) {
    if (bytes.startsWith(kUtf8Bom)) {
        return TextEncoding::Utf8WithBom;
    }
    if (bytes.startsWith(kUtf16LeBom)) {
        return TextEncoding::Utf16Le;
    }
    if (bytes.startsWith(kUtf16BeBom)) {
        return TextEncoding::Utf16Be;
    }
    if (!isAscii(bytes) && isValidUtf8(bytes)) {
        return TextEncoding::Utf8;
    }
    return TextEncoding::Cp932;
}

TextLines splitLines(QByteArrayView bytes) {
    TextLines text;
    text.encoding = detectEncoding(bytes);
    const QByteArrayView body = bytes.sliced(bom(text.encoding).size());
    // CR and LF are never part of a double-byte character of code page 932 nor of a UTF-8
    // sequence, and in UTF-16 they are whole code units: the bytes can be split before decoding.
    const char* data = body.data();
    if (!isUtf16(text.encoding)) {
        appendLines(text.lines, body, body.size(), 1,
                    [data](qsizetype i) { return char16_t{static_cast<uchar>(data[i])}; });
        return text;
    }
    // An odd byte at the end of UTF-16 is half a character: it is dropped, as every reader
    // drops it, rather than shift every line written after it.
    const bool little = text.encoding == TextEncoding::Utf16Le;
    appendLines(text.lines, body, body.size() / 2, 2, [data, little](qsizetype i) {
        const auto first = static_cast<uchar>(data[2 * i]);
        const auto second = static_cast<uchar>(data[2 * i + 1]);
        return little ? char16_t(first | second << 8) : char16_t(first << 8 | second);
    });
    return text;
}

QByteArray joinLines(const TextLines& text) {
    const QByteArray lineEnd = encodeLine(u"\r\n", text.encoding);
    QByteArray bytes = bom(text.encoding).toByteArray();
    for (const QByteArray& line : text.lines) {
        bytes += line;
        bytes += lineEnd;
    }
    return bytes;
}

QString decodeLine(QByteArrayView line, TextEncoding encoding) {
    if (encoding == TextEncoding::Cp932) {
        return decodeCp932(line);
    }
    // The file's byte order mark is gone already; a U+FEFF at the start of a line is text.
    QStringDecoder decoder(unicodeForm(encoding), QStringConverter::Flag::Stateless |
                                                      QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(line);
}

QByteArray encodeLine(QStringView text, TextEncoding encoding) {
    if (encoding == TextEncoding::Cp932) {
        return encodeCp932(text);
    }
    QStringEncoder encoder(unicodeForm(encoding), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

}  // namespace kaltero::platform
