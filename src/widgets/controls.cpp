#include "widgets/controls.h"

#include "platform/clock.h"

namespace kaltero::widgets {

Controls::Controls() = default;
Controls::~Controls() = default;

}  // namespace kaltero::widgets
