#pragma once

#include "text_lines.h"
#include "whole_file.h"

#include <QList>
#include <QString>
#include <optional>

namespace kaltero::platform {

// Windows-style profile (INI) files with CR LF line ends, in code page 932 or in the UTF-8 or
// UTF-16 an editor saved them in (they are written back in the encoding they came in).
// Section and key names match without regard to case. A missing key and a key with an
// empty value both read as missing. Writing replaces the value in place, adds a new key at
// the end of its section and a new section at the end of the file; comments, blank lines
// and other sections are kept. Every write replaces the file atomically.
// As in Windows, blanks and tabs around names and values and one pair of quotes enclosing a
// value are not part of it. A line break in a written value becomes a blank, so that a value
// can never add lines to the file.
//
// A Profile reads and parses its file once, takes any number of changes and is written whole
// in one go, so that a crash never leaves some of the changes in the file and not others.
class Profile {
public:
    // Empty optional when the file exists but cannot be read (a folder, no permission). A missing
    // file gives an empty profile; reading never creates it.
    static std::optional<Profile> read(const QString& file);

    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // True once a value has been set since the file was read.
    bool changed() const { return changed_; }

    // Returns false when the file could not be written; the old file is then left untouched.
    bool write(const QString& file, NewFileAccess access = NewFileAccess::Default) const;

    // One line of the file, parsed once when it is read.
    struct Line {
        QByteArray bytes;  // as in the file, without its line end
        enum class Kind { Other, Section, Entry } kind = Kind::Other;
        QString name;   // section or key name
        QString value;  // an entry's value
    };

private:
    struct Position;
    Position locate(const QString& section, const QString& key) const;
    Line lineOf(const QString& text) const;

    TextEncoding encoding_ = TextEncoding::Cp932;
    QList<Line> lines_;
    bool changed_ = false;
};

// One key read or written on its own: the file is read (and written) once per call.
std::optional<QString> readProfileString(const QString& section, const QString& key,
                                         const QString& file);
// Returns false when the file could not be written; the old file is then left untouched.
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file);

}  // namespace kaltero::platform
