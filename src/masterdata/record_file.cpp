#include "record_file.h"

#include "field_rules.h"
#include "platform/text_lines.h"
#include "platform/whole_file.h"

namespace kaltero::masterdata {

std::optional<QList<QStringList>> readRecordFields(const QString& path) {
    const auto content = platform::readWholeFile(path);
    if (!content) {
        return std::nullopt;
    }
    if (!content->exists) {
        // The console starts with empty master data; if even creating the file fails the
        // lists simply stay empty and a later save reports the problem.
        platform::writeWholeFile(path, {});
        return QList<QStringList>{};
    }
    const platform::TextLines text = platform::splitLines(content->bytes);
    QList<QStringList> records;
    for (const QByteArray& bytes : text.lines) {
        const QString line = platform::decodeLine(bytes, text.encoding);
        if (!line.trimmed().isEmpty()) {
            records.append(splitFields(line));
        }
    }
    return records;
}

bool writeRecordLines(const QString& path, const QStringList& lines) {
    // The file is written back in the encoding it came in; a new file is code page 932.
    const auto old = platform::readWholeFile(path);
    platform::TextLines text;
    text.encoding = old ? platform::detectEncoding(old->bytes) : platform::TextEncoding::Cp932;
    for (const QString& line : lines) {
        text.lines.append(platform::encodeLine(line, text.encoding));
    }
    return platform::writeWholeFile(path, platform::joinLines(text));
}

}  // namespace kaltero::masterdata
