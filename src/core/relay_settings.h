#pragma once

#include <QString>
#include <QStringList>

namespace kaltero::platform {
class Profile;
}

namespace kaltero::core {

// Publishing the race to an MQTT broker and following other consoles there. No broker (the
// default) keeps the console to itself.
struct RelaySettings {
    QString broker;  // "host:port" as written; empty: off
    QString host;
    int port = 0;  // 0: the address has no usable port
    // Letters, digits, '-' and '_' only: it becomes part of every topic. Empty while the name
    // in the file is not allowed; the race is then not published at all.
    QString consoleName;
    QString refusedName;  // the name the file gave, when it was not allowed
    QString user, password;
    bool tls = false;
    QString caFile;
    QString follow;     // a console this one stands by for
    QStringList shown;  // consoles whose races the live page shows beside this one's

    bool publishing() const { return !broker.isEmpty() && !consoleName.isEmpty(); }
};

namespace ini {
inline const QString kRelaySection = QStringLiteral("中継");
inline const QString kBroker = QStringLiteral("ブローカー");
inline const QString kConsoleName = QStringLiteral("コンソール名");
inline const QString kRelayUser = QStringLiteral("ユーザー");
inline const QString kRelayPassword = QStringLiteral("パスワード");
inline const QString kRelayTls = QStringLiteral("TLS");
inline const QString kRelayCaFile = QStringLiteral("CA証明書");
inline const QString kFollow = QStringLiteral("追従コンソール");
inline const QString kShown = QStringLiteral("表示コンソール");
}  // namespace ini

inline constexpr int kMaxConsoleName = 64;
// 1..64 of A-Z, a-z, 0-9, '-', '_'.
bool isConsoleName(const QString& name);
// A host name cut down to a console name: other characters dropped, at most 64 kept;
// "console" when nothing is left.
QString consoleNameFromHost(const QString& host);

// The section as the file has it; missing keys are not written back, so a console that does
// not publish keeps its file as it was. The broker's port is 1883 when none is given.
RelaySettings readRelaySettings(const platform::Profile& profile, const QString& hostName);

}  // namespace kaltero::core
