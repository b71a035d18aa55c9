#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace kaltero::platform {

// The focus, mouse and key events of a field, as callbacks. Any callback may be empty.
struct FieldHandlers {
    std::function<void()> gotFocus = {};
    std::function<void()> lostFocus = {};
    std::function<void()> mouseUp = {};
    // Return true to consume the key.
    std::function<bool(int key)> keyDown = {};
};

// Adds handlers to a field; several sets may be added to the same field and run in order.
void onFieldEvents(QWidget* field, FieldHandlers handlers);

}  // namespace kaltero::platform
