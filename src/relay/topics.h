#pragma once

#include <QString>
#include <optional>

namespace kaltero::relay {

// Where a console's race goes on the broker, all under kaltero/<console name>/. A name that is
// no console name gives no topics at all: nothing it holds ('/', '+', '#', a NUL, ...) can
// reach another console's topics or a wildcard.
//   "pit-1" -> kaltero/pit-1/status, .../race, .../ops, .../laps/3, .../heard/3
//   "a/b", "+", "" -> none
struct Topics {
    QString status, race, ops;
    QString lapsPrefix;   // kaltero/<name>/laps/
    QString heardPrefix;  // kaltero/<name>/heard/: each car's last report and message

    static std::optional<Topics> of(const QString& consoleName);
    // Slot numbers count from 1, as the page shows them.
    QString laps(int slotNo) const;
    QString heard(int slotNo) const;
};

}  // namespace kaltero::relay
