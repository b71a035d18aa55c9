#pragma once

#include <QByteArray>
#include <QString>

namespace kaltero::platform {

// Text <-> Japanese Windows code page 932, through ICU ("windows-31j").
// Characters that code page 932 cannot hold are encoded as "?".
QByteArray encodeCp932(QStringView text);
// Never fails: bytes that are not valid code page 932 become U+FFFD.
QString decodeCp932(QByteArrayView bytes);
// True when every character of text has a code page 932 form.
bool isCp932Encodable(QStringView text);

}  // namespace kaltero::platform
