#pragma once

#include <QColor>
#include <QComboBox>
#include <QStringList>

namespace kaltero::widgets {

// A drop-down list over a list model of records: each row shows a record's caption, and
// kRecordRole gives the whole record (its fields, never a text to take apart again).
// A list starts with no record chosen and stays so while it is filled. When its model is filled
// anew, the choice stays if the very same record (every field) is still there; otherwise the
// list is left with no choice.
//
// Its size never depends on its entries: it is as wide as kShownCharacters characters, however
// many entries it holds and however long they are. A master file of tens of thousands of lines
// (or a damaged one) would otherwise be measured entry by entry at every restyle, and the
// no-input blink restyles a list every second.
class ChoiceList : public QComboBox {
    Q_OBJECT

public:
    static constexpr int kShownCharacters = 12;

    explicit ChoiceList(QWidget* parent = nullptr);

    static constexpr int kRecordRole = Qt::UserRole;

    // The list model the list offers; the list does not own it.
    void setChoices(QAbstractItemModel* choices);
    // The chosen record, empty with no choice.
    QVariant chosenRecord() const { return currentData(kRecordRole); }

    void setBackground(const QColor& color);
    QColor background() const { return background_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The operator chose an entry (by mouse or keyboard); choices made by code raise nothing.
    void entryChosen();
    void gotFocus();
    void lostFocus();
    // Every key pressed while the list has the focus, as a Qt::Key, before the list handles it.
    void keyDown(int key);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QVariant kept_;  // the record chosen while the model is filled anew
    QColor background_ = QColor(0xFF, 0xFF, 0xFF);
};

}  // namespace kaltero::widgets
