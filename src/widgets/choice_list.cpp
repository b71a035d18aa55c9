#include "widgets/choice_list.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QListView>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <cmath>

namespace kaltero::widgets {

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(kShownCharacters);
    // Every entry is one line of the same font: the drop-down lays out its rows without
    // measuring each of them.
    if (auto* list = qobject_cast<QListView*>(view())) {
        list->setUniformItemSizes(true);
    }
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT entryChosen(); });
}

void ChoiceList::setChoices(QAbstractItemModel* choices) {
    setModel(choices);
    setCurrentIndex(-1);
    connect(choices, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { kept_ = chosenRecord(); });
    // QComboBox picks the first entry of a list filled anew by itself; an operator's list keeps
    // what was chosen, or has no choice.
    connect(choices, &QAbstractItemModel::modelReset, this, [this] {
        setCurrentIndex(-1);
        if (kept_.isValid()) {
            setCurrentIndex(findData(kept_, kRecordRole));
        }
        kept_ = {};
    });
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

QSize ChoiceList::sizeHint() const {
    // What QComboBox gives for a minimum contents length, but without looking at the entries
    // at all (it would still ask every entry for an icon).
    const QFontMetrics& metrics = fontMetrics();
    const QSize text(
        kShownCharacters * metrics.horizontalAdvance(u'X'),
        std::max(static_cast<int>(std::ceil(QFontMetricsF(metrics).height())), 14) + 2);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
}

QSize ChoiceList::minimumSizeHint() const {
    return sizeHint();
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

}  // namespace kaltero::widgets
