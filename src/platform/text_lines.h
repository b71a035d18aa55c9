#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace kaltero::platform {

// The encodings a settings or master file may come in. Files are code page 932 as the console
// writes them; an editor may have saved one in UTF-8 or UTF-16, and it is written back so.
enum class TextEncoding {
    Cp932,
    Utf8,         // without byte order mark
    Utf8WithBom,  // EF BB BF
    Utf16Le,      // with its byte order mark FF FE
    Utf16Be,      // with its byte order mark FE FF
};

// A text file as its lines, each still in the file's encoding and without its line end, so
// that lines nobody changes go back byte for byte, even bytes that are no text at all.
// CR LF, a lone LF and a lone CR each end a line; a line end at the very end adds no line.
struct TextLines {
    TextEncoding encoding = TextEncoding::Cp932;
    QList<QByteArray> lines;
};

// The encoding: a byte order mark names UTF-8 or UTF-16; without one, bytes that are valid
// UTF-8 and hold at least one non-ASCII byte are UTF-8; anything else (plain ASCII included)
// is code page 932.
TextEncoding detectEncoding(QByteArrayView bytes);

// A file's bytes as lines (the byte order mark is not part of the first line).
TextLines splitLines(QByteArrayView bytes);

// The file's bytes: byte order mark, then every line followed by CR LF.
QByteArray joinLines(const TextLines& text);

// One line between text and the file's encoding. Bytes that are no text decode as U+FFFD;
// characters code page 932 cannot hold encode as "?".
QString decodeLine(QByteArrayView line, TextEncoding encoding);
QByteArray encodeLine(QStringView text, TextEncoding encoding);

}  // namespace kaltero::platform
