#pragma once

#include <QHeaderView>

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

}  // namespace kaltero::widgets
