#include "widgets/field_events.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace kaltero::widgets {

namespace {

class FieldFilter final : public QObject {
public:
    FieldFilter(QObject* parent, FieldHandlers handlers)
        : QObject(parent), handlers_(std::move(handlers)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::FocusIn:
                // Back from another program: the field never left, so it is not entered again
                // (its text keeps the caret where the operator left it).
                if (std::exchange(away_, false) && reason(event) == Qt::ActiveWindowFocusReason) {
                    break;
                }
                if (handlers_.gotFocus) {
                    handlers_.gotFocus();
                }
                break;
            case QEvent::FocusOut:
                // The operator switched to another program: the field keeps what is typed in
                // it, half-typed or not, until the focus really moves on inside the console.
                if (reason(event) == Qt::ActiveWindowFocusReason &&
                    QApplication::activeWindow() == nullptr) {
                    away_ = true;
                    break;
                }
                away_ = false;
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
    static Qt::FocusReason reason(QEvent* event) {
        return static_cast<QFocusEvent*>(event)->reason();
    }

    FieldHandlers handlers_;
    bool away_ = false;  // the focus left for another program and has not come back yet
};

}  // namespace

void onFieldEvents(QWidget* field, FieldHandlers handlers) {
    field->installEventFilter(new FieldFilter(field, std::move(handlers)));
}

}  // namespace kaltero::widgets
