#include "widgets/choice_list.h"

#include <QAbstractListModel>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListView>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <cmath>

namespace kaltero::widgets {

// The entries as one list of texts: filling a list with a whole master file is one reset, not
// one row insertion (with its signals) per entry. Column 0 is what the list shows.
class ChoiceList::Entries final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= entries_.size()) {
            return {};
        }
        const QString& entry = entries_[index.row()];
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return entry.section(u'\t', 0, 0);
            case Qt::UserRole:
                return entry;
            default:
                return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void set(const QStringList& entries) {
        beginResetModel();
        entries_ = entries;
        endResetModel();
    }
    void append(const QString& entry) {
        const int row = static_cast<int>(entries_.size());
        beginInsertRows({}, row, row);
        entries_.append(entry);
        endInsertRows();
    }

private:
    QStringList entries_;
};

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent), entries_(new Entries(this)) {
    setEditable(false);
    setModel(entries_);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(kShownCharacters);
    // Every entry is one line of the same font: the drop-down lays out its rows without
    // measuring each of them.
    if (auto* list = qobject_cast<QListView*>(view())) {
        list->setUniformItemSizes(true);
    }
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT entryChosen(); });
}

void ChoiceList::clearEntries() {
    setEntries({});
}

void ChoiceList::addEntry(const QString& entry) {
    // QComboBox picks the first entry of an empty list by itself; an operator's list starts
    // with no choice.
    const bool noChoice = currentIndex() < 0;
    entries_->append(entry);
    if (noChoice) {
        setCurrentIndex(-1);
    }
}

void ChoiceList::setEntries(const QStringList& entries) {
    entries_->set(entries);
    setCurrentIndex(-1);
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
