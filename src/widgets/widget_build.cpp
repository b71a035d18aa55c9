#include "widgets/widget_build.h"

#include "widgets/frame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::widgets {

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + u'_' + QString::number(index);
}

QLabel* label(const QString& text, QWidget* parent, const QString& name) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    if (!name.isEmpty()) {
        l->setObjectName(name);
    }
    return l;
}

QPushButton* button(const QString& text, QWidget* parent, const QString& name) {
    return named(new QPushButton(text, parent), name);
}

QLineEdit* textBox(QWidget* parent, const QString& name, int width) {
    auto* t = named(new QLineEdit(parent), name);
    if (width > 0) {
        t->setFixedWidth(width);
    }
    return t;
}

widgets::Frame* frame(const QString& caption, QWidget* parent, const QString& name) {
    auto* f = new widgets::Frame(parent);
    f->setTitle(caption);
    if (!name.isEmpty()) {
        f->setObjectName(name);
    }
    return f;
}

void setBigFont(QWidget* w, int pointSize, bool bold) {
    QFont font = w->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    w->setFont(font);
}

void showText(QLineEdit* box, const QString& text) {
    if (box->text() != text) {
        const QSignalBlocker quiet(box);
        box->setText(text);
    }
}

void showEntry(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    if (!text.isEmpty() && index != list->currentIndex()) {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
    }
}

}  // namespace kaltero::widgets
