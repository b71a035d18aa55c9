#pragma once

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kaltero::widgets {

class Frame;

// Small builders for the console's controls: every control carries its name.

// "Lbl_IP", 2 -> "Lbl_IP_2": a control of a control array.
QString indexed(const char* name, int index);

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// Texts from cars and operators are shown as typed, never read as markup.
QLabel* label(const QString& text, QWidget* parent, const QString& name = {});
QPushButton* button(const QString& text, QWidget* parent, const QString& name);
QLineEdit* textBox(QWidget* parent, const QString& name, int width = 0);
widgets::Frame* frame(const QString& caption, QWidget* parent, const QString& name = {});
void setBigFont(QWidget* w, int pointSize, bool bold = true);

// A view shows what the race already holds: the field's own edit signals stay quiet, and a
// field that shows it already is left as typed.
void showText(QLineEdit* box, const QString& text);
// The entry whose shown text is `text` chosen in the list, quietly; an empty text changes nothing.
void showEntry(QComboBox* list, const QString& text);

}  // namespace kaltero::widgets
