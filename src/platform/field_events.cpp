#include "platform/field_events.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace kaltero::platform {

namespace {

class FieldFilter final : public QObject {
public:
    FieldFilter(QObject* parent, FieldHandlers handlers)
        : QObject(parent), handlers_(std::move(handlers)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::FocusIn:
                if (handlers_.gotFocus) {
                    handlers_.gotFocus();
                }
                break;
            case QEvent::FocusOut:
                if (handlers_.lostFocus) {
                    handlers_.lostFocus();
                }
                break;
            case QEvent::MouseButtonRelease:
                if (handlers_.mouseUp) {
                    // Let the widget handle the release first, so that the click does not
                    // undo what the handler does (a whole-text selection).
                    watched->event(event);
                    handlers_.mouseUp();
                    return true;
                }
                break;
            case QEvent::KeyPress:
                if (handlers_.keyDown) {
                    return handlers_.keyDown(static_cast<QKeyEvent*>(event)->key());
                }
                break;
            default:
                break;
        }
        return false;
    }

private:
    FieldHandlers handlers_;
};

}  // namespace

void onFieldEvents(QWidget* field, FieldHandlers handlers) {
    field->installEventFilter(new FieldFilter(field, std::move(handlers)));
}

}  // namespace kaltero::platform
