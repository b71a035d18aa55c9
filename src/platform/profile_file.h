#pragma once

#include <QString>
#include <optional>

namespace kaltero::platform {

// Windows-style profile (INI) files in code page 932 with CR LF line ends.
// Section and key names match without regard to case. A missing key and a key with an
// empty value both read as missing. Writing replaces the value in place, adds a new key at
// the end of its section and a new section at the end of the file; comments, blank lines
// and other sections are kept. Every write replaces the file atomically.
// As in Windows, blanks and tabs around names and values and one pair of quotes enclosing a
// value are not part of it. A line break in a written value becomes a blank, so that a value
// can never add lines to the file.
std::optional<QString> readProfileString(const QString& section, const QString& key,
                                         const QString& file);
// Returns false when the file could not be written; the old file is then left untouched.
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file);

}  // namespace kaltero::platform
