#pragma once

#include <QColor>
#include <QGroupBox>

namespace kaltero::widgets {

// A captioned frame holding a group of controls, with a background colour (a car frame shows
// whether its slot is set up). Enabling, showing, moving and sizing are QWidget's.
class Frame : public QGroupBox {
    Q_OBJECT

public:
    explicit Frame(QWidget* parent = nullptr);

    QString caption() const { return title(); }
    void setCaption(const QString& caption) { setTitle(caption); }
    void setBackground(const QColor& color);
    QColor background() const { return background_; }

private:
    QColor background_;
};

}  // namespace kaltero::widgets
