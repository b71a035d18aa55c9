#include "relay/topics.h"

#include "core/relay_settings.h"

namespace kaltero::relay {

std::optional<Topics> Topics::of(const QString& consoleName) {
    if (!core::isConsoleName(consoleName)) {
        return std::nullopt;
    }
    const QString root = QStringLiteral("kaltero/") + consoleName + u'/';
    return Topics{root + QStringLiteral("status"), root + QStringLiteral("race"),
                  root + QStringLiteral("ops"), root + QStringLiteral("laps/"),
                  root + QStringLiteral("heard/")};
}

QString Topics::laps(int slotNo) const {
    return lapsPrefix + QString::number(slotNo);
}

QString Topics::heard(int slotNo) const {
    return heardPrefix + QString::number(slotNo);
}

}  // namespace kaltero::relay
