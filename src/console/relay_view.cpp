#include "console/relay_view.h"

#include "relay/relay_service.h"
#include "widgets/widget_build.h"

#include <QLabel>

namespace kaltero::console {

using namespace Qt::StringLiterals;

QString relayStateText(const relay::RelayState& state) {
    QString text = state.connected ? u"中継: 接続中"_s : u"中継: 未接続"_s;
    if (state.waiting > 0) {
        text += u" (送信待ち "_s + QString::number(state.waiting) + u" 件)"_s;
    }
    if (!state.refused.isEmpty()) {
        text += u"\n拒否: "_s + state.refused;
    }
    return text;
}

QLabel* relayLabel(relay::RelayService& relay, QWidget* parent) {
    auto* label = widgets::label(relayStateText(relay.state()), parent, u"Lbl_Relay"_s);
    QObject::connect(&relay, &relay::RelayService::stateChanged, label,
                     [label](const relay::RelayState& s) { label->setText(relayStateText(s)); });
    return label;
}

}  // namespace kaltero::console
