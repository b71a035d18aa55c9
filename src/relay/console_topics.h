#pragma once

#include <QString>

namespace kaltero::relay {

// A console's name goes into its topics as it is, so only names that cannot steer a topic are
// console names: letters, digits, '-' and '_', 1 to 64 of them (no '/', '+', '#', no space).
//   "pit-a" -> true;  "pit/a", "+", "", "ピット" -> false
bool isConsoleName(const QString& name);

// kaltero/<name>/<leaf>, for a console name.
QString consoleTopic(const QString& name, const QString& leaf);

}  // namespace kaltero::relay
