#include "profile_file.h"

#include "whole_file.h"

namespace kaltero::platform {
namespace {

using Line = Profile::Line;

// Only blanks and tabs surround names and values; an ideographic blank is part of a message.
QStringView trimBlanks(QStringView text) {
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

// "[name]" is a section; "key = value" an entry, with blanks around both trimmed and one pair
// of enclosing quotes removed from the value; anything else (comments, blank lines) neither.
// A section without its closing bracket takes the rest of the line as its name.
void parse(Line& line, QStringView text) {
    const QStringView t = trimBlanks(text);
    if (t.startsWith(u'[')) {
        qsizetype close = t.indexOf(u']');
        if (close < 0) {
            close = t.size();
        }
        line.kind = Line::Kind::Section;
        line.name = trimBlanks(t.sliced(1, close - 1)).toString();
        return;
    }
    if (t.isEmpty() || t.startsWith(u';')) {
        return;
    }
    const qsizetype equals = t.indexOf(u'=');
    if (equals <= 0) {
        return;
    }
    const QStringView key = trimBlanks(t.first(equals));
    if (key.isEmpty()) {
        return;
    }
    QStringView v = trimBlanks(t.sliced(equals + 1));
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        v = v.sliced(1, v.size() - 2);
    }
    line.kind = Line::Kind::Entry;
    line.name = key.toString();
    line.value = v.toString();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A line end inside a name or value would split the line and smuggle in another key.
QString oneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'\r' || c == u'\n' || c == u'\0') {
            c = u' ';
        }
    }
    return out;
}

}  // namespace

// Where a key lives: the first section of that name and the first key of that name in it.
struct Profile::Position {
    qsizetype section = -1;    // line of the section header
    qsizetype lastEntry = -1;  // last key line of that section (the header when it has none)
    qsizetype key = -1;        // line of the key
};

std::optional<Profile> Profile::read(const QString& file) {
    const auto content = readWholeFile(file);
    if (!content) {
        return std::nullopt;
    }
    TextLines text = splitLines(content->bytes);
    Profile profile;
    profile.encoding_ = text.encoding;
    profile.lines_.reserve(text.lines.size());
    for (QByteArray& bytes : text.lines) {
        Line line;
        parse(line, decodeLine(bytes, text.encoding));
        line.bytes = std::move(bytes);
        profile.lines_.append(std::move(line));
    }
    return profile;
}

Profile::Position Profile::locate(const QString& section, const QString& key) const {
    Position at;
    bool inSection = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Line::Kind::Section) {
            if (inSection) {
                break;  // only the first section of a name counts
            }
            if (sameName(line.name, section)) {
                inSection = true;
                at.section = i;
                at.lastEntry = i;
            }
            continue;
        }
        if (!inSection || line.kind != Line::Kind::Entry) {
            continue;
        }
        at.lastEntry = i;
        if (at.key < 0 && sameName(line.name, key)) {
            at.key = i;
        }
    }
    return at;
}

std::optional<QString> Profile::value(const QString& section, const QString& key) const {
    const Position at = locate(section, key);
    if (at.key < 0 || lines_[at.key].value.isEmpty()) {
        return std::nullopt;
    }
    return lines_[at.key].value;
}

Profile::Line Profile::lineOf(const QString& text) const {
    Line line;
    parse(line, text);
    line.bytes = encodeLine(text, encoding_);
    return line;
}

void Profile::setValue(const QString& section, const QString& key, const QString& value) {
    changed_ = true;
    const Position at = locate(section, key);
    if (at.key >= 0) {
        // The key keeps the spelling the file gives it.
        lines_[at.key] = lineOf(lines_[at.key].name + u'=' + oneLine(value));
    } else if (at.section >= 0) {
        lines_.insert(at.lastEntry + 1, lineOf(oneLine(key) + u'=' + oneLine(value)));
    } else {
        lines_.append(lineOf(u'[' + oneLine(section) + u']'));
        lines_.append(lineOf(oneLine(key) + u'=' + oneLine(value)));
    }
}

bool Profile::write(const QString& file, NewFileAccess access) const {
    TextLines text{encoding_, {}};
    text.lines.reserve(lines_.size());
    for (const Line& line : lines_) {
        text.lines.append(line.bytes);
    }
    return writeWholeFile(file, joinLines(text), nullptr, access);
}

std::optional<QString> readProfileString(const QString& section, const QString& key,
                                         const QString& file) {
    const auto profile = Profile::read(file);
    return profile ? profile->value(section, key) : std::nullopt;
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file) {
    auto profile = Profile::read(file);
    if (!profile) {
        return false;
    }
    profile->setValue(section, key, value);
    return profile->write(file);
}

}  // namespace kaltero::platform
