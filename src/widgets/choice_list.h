#pragma once

#include <QColor>
#include <QComboBox>
#include <QStringList>

namespace kaltero::widgets {

// A drop-down list whose entries have columns separated by TAB. Column 0 is shown; columnText()
// reports the selected column of the chosen entry.
//   addEntry("Alpha\t60\t8.5"); choose it; setColumn(2); columnText() == "8.5"
// A list starts with no entry chosen and stays so while it is filled.
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

    void clearEntries();
    void addEntry(const QString& entry);
    // Replaces every entry at once and leaves the list with no entry chosen.
    void setEntries(const QStringList& entries);
    // The whole entry with all its columns; "" outside the list.
    QString entry(int index) const;

    // The column selector keeps its value until set again, through clearing and refilling.
    void setColumn(int column) { column_ = column; }
    int column() const { return column_; }
    // "" with no entry chosen or when the chosen entry has no such column.
    QString columnText() const;

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
    class Entries;
    Entries* entries_ = nullptr;
    int column_ = 0;
    QColor background_ = QColor(0xFF, 0xFF, 0xFF);
};

}  // namespace kaltero::widgets
