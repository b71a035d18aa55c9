#include "relay/console_topics.h"

namespace kaltero::relay {

bool isConsoleName(const QString& name) {
    if (name.isEmpty() || name.size() > 64) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'-' || c == u'_';
    });
}

QString consoleTopic(const QString& name, const QString& leaf) {
    return u"kaltero/" + name + u'/' + leaf;
}

}  // namespace kaltero::relay
