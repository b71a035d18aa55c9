#include "core/console_context.h"

#include <QPushButton>

namespace kaltero::core {

bool Console::timing() const {
    return ui.Btn_Start != nullptr && ui.Btn_Start->text() == u"Stop";
}

}  // namespace kaltero::core
