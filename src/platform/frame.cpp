#include "frame.h"

namespace kaltero::platform {

Frame::Frame(QWidget* parent) : QGroupBox(parent), background_(palette().color(QPalette::Window)) {
    setAutoFillBackground(true);
}

void Frame::setBackground(const QColor& color) {
    background_ = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
}

}  // namespace kaltero::platform
