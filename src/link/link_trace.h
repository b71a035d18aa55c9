#pragma once

#include <QLoggingCategory>

namespace kaltero::link {

// A trace of the car link's datagrams, off unless turned on:
//   QT_LOGGING_RULES="kaltero.link.debug=true"
Q_DECLARE_LOGGING_CATEGORY(lcLink)

}  // namespace kaltero::link
