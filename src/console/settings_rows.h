#pragma once

#include <QString>
#include <QStringList>

namespace kaltero::console {

// The rows of the settings and rules, as 環境設定 shows them and the pit wall corrects the rules:
// their labels top to bottom, a row's label (1-based), and what the operator is told when its
// value is refused.
const QStringList& settingsRowLabels();
QString settingsRowLabel(int row);
QString settingsRefusal(int row);

}  // namespace kaltero::console
