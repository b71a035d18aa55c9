#pragma once

#include <QColor>
#include <QWidget>

namespace kaltero::widgets {

// A bar gauge showing a value from 0 to 100 in its foreground colour (the fuel left).
class Gauge : public QWidget {
    Q_OBJECT

public:
    explicit Gauge(QWidget* parent = nullptr);

    // Values outside 0..100 are held at the nearer end; NaN counts as 0.
    void setValue(double value);
    double value() const { return value_; }
    void setForeground(const QColor& color);
    QColor foreground() const { return foreground_; }
    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const { return orientation_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double value_ = 0;
    QColor foreground_ = QColor(0xFF, 0xFF, 0x00);
    Qt::Orientation orientation_ = Qt::Horizontal;
};

}  // namespace kaltero::widgets
