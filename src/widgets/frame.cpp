#include "widgets/frame.h"

namespace kaltero::widgets {

Frame::Frame(QWidget* parent) : QGroupBox(parent), background_(palette().color(QPalette::Window)) {
    setAutoFillBackground(true);
}

void Frame::setBackground(const QColor& color) {
    background_ = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
}

}  // namespace kaltero::widgets
