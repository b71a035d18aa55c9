#include "widgets/controls.h"

namespace kaltero::widgets {

Controls::Controls() = default;
Controls::~Controls() = default;

}  // namespace kaltero::widgets
