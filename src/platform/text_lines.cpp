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

// The code unit at unit index i: one byte, or two in the file's byte order.
char16_t unitAt(QByteArrayView bytes, qsizetype i, TextEncoding encoding) {
    if (!isUtf16(encoding)) {
        return static_cast<uchar>(bytes[i]);
    }
    const auto first = static_cast<uchar>(bytes[2 * i]);
    const auto second = static_cast<uchar>(bytes[2 * i + 1]);
    return encoding == TextEncoding::Utf16Le ? char16_t(first | second << 8)
                                             : char16_t(first << 8 | second);
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
    const qsizetype unit = isUtf16(text.encoding) ? 2 : 1;
    const qsizetype units = body.size() / unit;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < units) {
        const char16_t c = unitAt(body, i, text.encoding);
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        text.lines.append(body.sliced(start * unit, (i - start) * unit).toByteArray());
        ++i;
        if (c == u'\r' && i < units && unitAt(body, i, text.encoding) == u'\n') {
            ++i;
        }
        start = i;
    }
    // An odd byte at the end of UTF-16 is half a character: it is dropped, as every reader
    // drops it, rather than shift every line written after it.
    if (start < units) {
        text.lines.append(body.sliced(start * unit, (units - start) * unit).toByteArray());
    }
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
