#pragma once

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "widgets/controls.h"

namespace kaltero::console {

// What the window's handlers and views work with: the console they serve, the engine that
// times its race and the controls under their names.
struct WindowContext : core::Console {
    using core::Console::Console;
    engine::RaceEngine engine{*this};
    widgets::Controls ui;
};

}  // namespace kaltero::console
