#pragma once

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <functional>

namespace kaltero::widgets {

// The row numbers 1..n: the first and the last row give the header its width and height. The
// stock header measures up to two hundred rows each time a row is added, which a lap grid does
// every lap, and thousands of times over when a race is rebuilt from its journal.
class RowNumbers final : public QHeaderView {
public:
    explicit RowNumbers(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    QSize sizeHint() const override {
        if (count() == 0) {
            return QHeaderView::sizeHint();
        }
        return sectionSizeFromContents(0).expandedTo(sectionSizeFromContents(count() - 1));
    }
};

// What every grid of the console shares: row numbers, one cell at a time, typing opens the
// editor, no dragging, no wrapped text.
inline void setGridLook(QTableView* grid) {
    grid->setVerticalHeader(new RowNumbers(grid));
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grid->setDragDropMode(QAbstractItemView::NoDragDrop);
    grid->setWordWrap(false);
}

// Sets a column's width (0-based) in average characters of the grid's font.
inline void setWidthInCharacters(QTableView* grid, int column, double chars) {
    const int padding = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid);
    grid->setColumnWidth(column,
                         qRound(chars * grid->fontMetrics().averageCharWidth()) + padding + 4);
}

// Calls `entered` each time the focus comes into the grid from outside it. Walks across window
// boundaries too: a cell editor's drop-down list is a window of its own.
inline void onFocusEntering(QWidget* grid, const std::function<void()>& entered) {
    const auto inside = [grid](const QWidget* widget) {
        for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
            if (w == grid) {
                return true;
            }
        }
        return false;
    };
    QObject::connect(qApp, &QApplication::focusChanged, grid,
                     [inside, entered](QWidget* old, QWidget* now) {
                         if (!inside(old) && inside(now)) {
                             entered();
                         }
                     });
}

}  // namespace kaltero::widgets
