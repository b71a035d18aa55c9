#include "link/link_trace.h"

namespace kaltero::link {

Q_LOGGING_CATEGORY(lcLink, "kaltero.link", QtInfoMsg)

}  // namespace kaltero::link
