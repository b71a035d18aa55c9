#include "widgets/colours.h"

#include <QWidget>

namespace kaltero::widgets {

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
}

QColor background(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, colour);
    widget->setPalette(pal);
}

QColor gaugeBlinkStep(const QColor& current) {
    return current == kGaugeRed ? kGaugeYellow : kGaugeRed;
}

}  // namespace kaltero::widgets
