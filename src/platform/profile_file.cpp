#include "profile_file.h"

#include "cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace kaltero::platform {
namespace {

// The file as raw lines without their line ends. Lines are kept as bytes so that a rewrite
// gives back every line it does not change exactly as it was, even bytes that are not valid
// code page 932.
struct Profile {
    QList<QByteArray> lines;
};

// Empty optional when the file exists but cannot be read (a folder, no permission).
std::optional<Profile> load(const QString& file) {
    Profile profile;
    QFile in(file);
    if (!in.exists()) {
        return profile;
    }
    if (QFileInfo(file).isDir() || !in.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    // LF ends a line, an optional CR before it goes with it. 0x0A and 0x0D are never part of
    // a double-byte character, so the bytes can be split before decoding.
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0) {
            end = bytes.size();
        }
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        profile.lines.append(bytes.sliced(start, end - start));
        start = next;
    }
    return profile;
}

// Only blanks and tabs surround names and values; an ideographic blank is part of a message.
QString trimBlanks(QStringView text) {
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text.toString();
}

// "[name]" -> "name"; a missing closing bracket takes the rest of the line.
std::optional<QString> sectionName(const QString& line) {
    const QString t = trimBlanks(line);
    if (!t.startsWith(u'[')) {
        return std::nullopt;
    }
    qsizetype close = t.indexOf(u']');
    if (close < 0) {
        close = t.size();
    }
    return trimBlanks(t.sliced(1, close - 1));
}

struct Entry {
    QString key;
    QString value;
};

// "key = value" with blanks around both trimmed and one pair of enclosing quotes removed.
std::optional<Entry> entryOf(const QString& line) {
    const QString t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'[')) {
        return std::nullopt;
    }
    const qsizetype equals = t.indexOf(u'=');
    if (equals <= 0) {
        return std::nullopt;
    }
    Entry entry{trimBlanks(t.first(equals)), trimBlanks(t.sliced(equals + 1))};
    if (entry.key.isEmpty()) {
        return std::nullopt;
    }
    const QString& v = entry.value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        entry.value = v.sliced(1, v.size() - 2);
    }
    return entry;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key lives: the first section of that name and the first key of that name in it.
struct Position {
    qsizetype section = -1;    // line of the section header
    qsizetype lastEntry = -1;  // last key line of that section (the header when it has none)
    qsizetype key = -1;        // line of the key
    QString keyText;           // the key as the file spells it
    QString value;
};

Position locate(const Profile& profile, const QString& section, const QString& key) {
    Position at;
    bool inSection = false;
    for (qsizetype i = 0; i < profile.lines.size(); ++i) {
        const QString line = decodeCp932(profile.lines[i]);
        if (const auto name = sectionName(line)) {
            if (inSection) {
                break;  // only the first section of a name counts
            }
            if (sameName(*name, section)) {
                inSection = true;
                at.section = i;
                at.lastEntry = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const auto entry = entryOf(line)) {
            at.lastEntry = i;
            if (at.key < 0 && sameName(entry->key, key)) {
                at.key = i;
                at.keyText = entry->key;
                at.value = entry->value;
            }
        }
    }
    return at;
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

bool save(const Profile& profile, const QString& file) {
    QByteArray bytes;
    for (const QByteArray& line : profile.lines) {
        bytes += line;
        bytes += "\r\n";
    }
    QSaveFile out(file);
    if (QFileInfo(file).isDir() || !out.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace

std::optional<QString> readProfileString(const QString& section, const QString& key,
                                         const QString& file) {
    const auto profile = load(file);
    if (!profile) {
        return std::nullopt;
    }
    const Position at = locate(*profile, section, key);
    if (at.key < 0 || at.value.isEmpty()) {
        return std::nullopt;
    }
    return at.value;
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file) {
    auto profile = load(file);
    if (!profile) {
        return false;
    }
    const Position at = locate(*profile, section, key);
    if (at.key >= 0) {
        profile->lines[at.key] = encodeCp932(QString(at.keyText + u'=' + oneLine(value)));
    } else if (at.section >= 0) {
        profile->lines.insert(at.lastEntry + 1,
                              encodeCp932(QString(oneLine(key) + u'=' + oneLine(value))));
    } else {
        profile->lines.append(encodeCp932(QString(u'[' + oneLine(section) + u']')));
        profile->lines.append(encodeCp932(QString(oneLine(key) + u'=' + oneLine(value))));
    }
    return save(*profile, file);
}

}  // namespace kaltero::platform
