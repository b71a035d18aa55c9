#include "core/controls.h"

#include "platform/clock.h"

namespace kaltero::core {

Controls::Controls() = default;
Controls::~Controls() = default;

}  // namespace kaltero::core
