#pragma once

#include "core/console_context.h"
#include "widgets/controls.h"

namespace kaltero::console {

// What the window's handlers and views work with: the console they serve and its controls
// under their names.
struct WindowContext : core::Console {
    using core::Console::Console;
    widgets::Controls ui;
};

}  // namespace kaltero::console
