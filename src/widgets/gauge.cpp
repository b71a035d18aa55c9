#include "widgets/gauge.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kaltero::widgets {

Gauge::Gauge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Gauge::setValue(double value) {
    const double held = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 100.0);
    if (held != value_) {
        value_ = held;
        update();
    }
}

void Gauge::setForeground(const QColor& color) {
    if (color != foreground_) {
        foreground_ = color;
        update();
    }
}

void Gauge::setOrientation(Qt::Orientation orientation) {
    orientation_ = orientation;
    setSizePolicy(orientation == Qt::Horizontal
                      ? QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed)
                      : QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding));
    updateGeometry();
    update();
}

QSize Gauge::sizeHint() const {
    return orientation_ == Qt::Horizontal ? QSize(120, 16) : QSize(16, 120);
}

void Gauge::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    painter.fillRect(inner, palette().color(QPalette::Base));
    QRect bar = inner;
    if (orientation_ == Qt::Horizontal) {
        bar.setWidth(static_cast<int>(std::lround(inner.width() * value_ / 100.0)));
    } else {
        const int height = static_cast<int>(std::lround(inner.height() * value_ / 100.0));
        bar.setTop(inner.bottom() - height + 1);  // fills from the bottom like a tank
    }
    if (bar.isValid()) {
        painter.fillRect(bar, foreground_);
    }
}

}  // namespace kaltero::widgets
