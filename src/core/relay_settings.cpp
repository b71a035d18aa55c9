#include "core/relay_settings.h"

#include "platform/profile_file.h"

#include <algorithm>

namespace kaltero::core {

namespace {

constexpr int kDefaultBrokerPort = 1883;

bool allowedInName(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_';
}

// "host", "host:port", "[v6 address]:port"; port 0 when it is no number in 1..65535.
void splitBroker(RelaySettings& r) {
    QString text = r.broker;
    QString portText;
    const qsizetype colon = text.lastIndexOf(u':');
    const bool bracketed = text.startsWith(u'[');
    if (colon > 0 && (!bracketed || text.at(colon - 1) == u']') &&
        (bracketed || text.indexOf(u':') == colon)) {
        portText = text.mid(colon + 1);
        text.truncate(colon);
    }
    if (bracketed && text.endsWith(u']')) {
        text = text.mid(1, text.size() - 2);
    }
    r.host = text;
    bool ok = true;
    const int port = portText.isEmpty() ? kDefaultBrokerPort : portText.toInt(&ok);
    r.port = ok && port >= 1 && port <= 65535 && !text.isEmpty() ? port : 0;
}

}  // namespace

bool isConsoleName(const QString& name) {
    return !name.isEmpty() && name.size() <= kMaxConsoleName &&
           std::all_of(name.begin(), name.end(), allowedInName);
}

QString consoleNameFromHost(const QString& host) {
    QString name;
    for (const QChar c : host) {
        if (allowedInName(c) && name.size() < kMaxConsoleName) {
            name += c;
        }
    }
    return name.isEmpty() ? QStringLiteral("console") : name;
}

RelaySettings readRelaySettings(const platform::Profile& profile, const QString& hostName) {
    using namespace ini;
    const auto key = [&profile](const QString& name) {
        return profile.value(kRelaySection, name).value_or(QString()).trimmed();
    };
    RelaySettings r;
    r.broker = key(kBroker);
    splitBroker(r);
    const QString name = key(kConsoleName);
    if (name.isEmpty()) {
        r.consoleName = consoleNameFromHost(hostName);
    } else if (isConsoleName(name)) {
        r.consoleName = name;
    } else {
        r.refusedName = name;
    }
    r.user = key(kRelayUser);
    r.password = profile.value(kRelaySection, kRelayPassword).value_or(QString());
    r.tls = key(kRelayTls) == u"1";
    r.caFile = key(kRelayCaFile);
    r.follow = key(kFollow);
    for (const QString& shown : key(kShown).split(u',', Qt::SkipEmptyParts)) {
        r.shown << shown.trimmed();
    }
    return r;
}

}  // namespace kaltero::core
