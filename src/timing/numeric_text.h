#pragma once

#include "core/number_text.h"

namespace kaltero::timing {

// The plain number rule is one of the shared number rules of core.
using core::isPlainNumber;
using core::plainNumber;

}  // namespace kaltero::timing
