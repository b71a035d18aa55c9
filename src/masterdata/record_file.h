#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kaltero::masterdata {

// The records of a master file as their fields, in file order. The file is code page 932, or
// UTF-8 or UTF-16 as an editor may have saved it; lines may end in CR LF, LF or CR; blank lines
// hold no record and are passed over.
// A missing file is created empty and reads as no records. Empty optional when the file
// exists but cannot be read (a folder, no permission): the caller keeps going without it.
std::optional<QList<QStringList>> readRecordFields(const QString& path);

// Replaces the file with the lines, each ended by CR LF, in the encoding the file had (code page
// 932 for a new one). The new file is written beside the old one and renamed over it, so a
// failed write leaves the old file as it was. False when the file could not be written
// (read-only file, no such folder, full disk).
bool writeRecordLines(const QString& path, const QStringList& lines);

}  // namespace kaltero::masterdata
