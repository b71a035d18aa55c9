#pragma once

#include "relay/publisher.h"

#include <QString>

class QLabel;
class QWidget;

namespace kaltero::relay {
class RelayService;
}

namespace kaltero::console {

// How publishing to the broker stands, in the operator's words.
//   connected, nothing waiting -> "中継: 接続中"
//   down, 12 waiting -> "中継: 未接続 (送信待ち 12 件)"
QString relayStateText(const relay::RelayState& state);

// "Lbl_Relay": the link's state on the main window, its one writer the relay's own signal.
QLabel* relayLabel(relay::RelayService& relay, QWidget* parent);

}  // namespace kaltero::console
