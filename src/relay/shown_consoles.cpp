#include "relay/shown_consoles.h"

#include "platform/profile_file.h"

namespace kaltero::relay {

using namespace Qt::StringLiterals;

std::optional<ShownConsoles> readShownConsoles(const QString& settingsFile,
                                               const QString& clientId) {
    const auto profile = platform::Profile::read(settingsFile);
    if (!profile) {
        return std::nullopt;
    }
    const QString section = u"中継"_s;
    const auto value = [&](const QString& key) {
        return profile->value(section, key).value_or(QString()).trimmed();
    };
    const QString broker = value(u"ブローカー"_s);
    QStringList names = value(u"表示コンソール"_s).split(u',', Qt::SkipEmptyParts);
    for (QString& name : names) {
        name = name.trimmed();
    }
    names.removeAll(QString());
    if (broker.isEmpty() || names.isEmpty()) {
        return std::nullopt;
    }
    ShownConsoles shown;
    shown.names = names;
    BrokerSettings& b = shown.broker;
    const qsizetype colon = broker.lastIndexOf(u':');
    bool portOk = false;
    const int port = colon > 0 ? broker.mid(colon + 1).toInt(&portOk) : 0;
    // A port that is no port leaves the default: the broker says if nothing answers there.
    b.host = colon > 0 ? broker.left(colon) : broker;
    b.port = portOk && port >= 1 && port <= 65535 ? port : b.port;
    b.clientId = clientId;
    b.user = value(u"ユーザー"_s);
    b.password = value(u"パスワード"_s);
    b.tls = value(u"TLS"_s) == u"1"_s;
    b.caFile = value(u"CA証明書"_s);
    return shown;
}

}  // namespace kaltero::relay
