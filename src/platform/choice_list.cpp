#include "choice_list.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kaltero::platform {

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT entryChosen(); });
}

void ChoiceList::clearEntries() {
    clear();
}

void ChoiceList::addEntry(const QString& entry) {
    // QComboBox picks the first entry of an empty list by itself; an operator's list starts
    // with no choice.
    const bool noChoice = currentIndex() < 0;
    addItem(entry.section(u'\t', 0, 0), entry);
    if (noChoice) {
        setCurrentIndex(-1);
    }
}

QString ChoiceList::entry(int index) const {
    return itemData(index).toString();
}

QString ChoiceList::columnText() const {
    if (currentIndex() < 0 || column_ < 0) {
        return {};
    }
    const QStringList columns = entry(currentIndex()).split(u'\t');
    return column_ < columns.size() ? columns.at(column_) : QString();
}

void ChoiceList::setBackground(const QColor& color) {
    background_ = color;
    // A style sheet, because native styles ignore palette colours on drop-down lists and the
    // operator has to see the blink.
    // With a border of its own the sheet draws a flat fill; without one, styles shade it.
    setStyleSheet(QStringLiteral("QComboBox { background-color: %1; border: 1px solid #808080;"
                                 " padding: 1px 18px 1px 3px; }")
                      .arg(color.name()));
}

void ChoiceList::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        Q_EMIT gotFocus();
    }
}

void ChoiceList::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Opening the list's own drop-down is not leaving the list.
    if (event->reason() != Qt::PopupFocusReason) {
        Q_EMIT lostFocus();
    }
}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
    Q_EMIT keyDown(event->key());
    QComboBox::keyPressEvent(event);
}

}  // namespace kaltero::platform
