#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace kaltero::widgets {

// The focus, mouse and key events of a field, as callbacks. Any callback may be empty.
struct FieldHandlers {
    std::function<void()> gotFocus = {};
    std::function<void()> lostFocus = {};
    std::function<void()> mouseUp = {};
    // Return true to consume the key.
    std::function<bool(int key)> keyDown = {};
};

// Adds handlers to a field; several sets may be added to the same field and run in order.
// A field is left (lostFocus) when the focus moves to another control of the console or to
// one of its dialogs, not when the operator switches to another program; coming back from
// there does not enter it again (gotFocus).
void onFieldEvents(QWidget* field, FieldHandlers handlers);

}  // namespace kaltero::widgets
