#pragma once

#include "relay/broker_client.h"

#include <QStringList>
#include <optional>

namespace kaltero::relay {

// What the live page needs to show other consoles' races: the broker (section [中継] of
// Kaltero.ini: ブローカー host:port, ユーザー, パスワード, TLS 0/1, CA証明書) and the consoles
// named in 表示コンソール, comma-separated, blanks around each name dropped. None when either
// key is empty: a console alone follows nothing. The names are as written: the follower
// refuses one that is no console name.
//   ブローカー=mq.example:8883, 表示コンソール=" pit-a, pit-b" -> mq.example, 8883, {pit-a, pit-b}
struct ShownConsoles {
    BrokerSettings broker;
    QStringList names;
};
std::optional<ShownConsoles> readShownConsoles(const QString& settingsFile,
                                               const QString& clientId);

}  // namespace kaltero::relay
