#include "console/standings_view.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "widgets/widget_build.h"

#include <QHeaderView>
#include <algorithm>

namespace kaltero::console {

StandingsView::StandingsView(core::Console& console, QWidget* parent)
    : QTableView(parent), c_(console), standings_(console.race, console.settings, this) {
    widgets::named(this, QStringLiteral("Spd_Standings"));
    setModel(&standings_);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The frame's colour shows through, as it did behind the captions.
    viewport()->setAutoFillBackground(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    QHeaderView* heads = horizontalHeader();
    heads->setSectionsClickable(false);
    heads->setHighlightSections(false);
    heads->setSectionResizeMode(QHeaderView::ResizeToContents);
    heads->setSectionResizeMode(StandingsModel::kCarName, QHeaderView::Stretch);
    heads->setMinimumSectionSize(0);
    connect(&console.race, &model::RaceModel::changed, this,
            [this](const model::Change& change) { follow(change); });
}

void StandingsView::follow(const model::Change& change) {
    if (change.op != model::Op::Started && change.op != model::Op::Resumed) {
        return;
    }
    for (int r = 0; r < standings_.rowCount(); ++r) {
        setRowHidden(r, r > c_.state.LastCarIdx);
    }
}

// Five positions without a scroll bar, the name at least as wide as a long car name.
QSize StandingsView::sizeHint() const {
    int width = 160;
    for (int c = 0; c < standings_.columnCount(); ++c) {
        if (c != StandingsModel::kCarName) {
            width += std::max(horizontalHeader()->sectionSizeHint(c), sizeHintForColumn(c));
        }
    }
    return {width, horizontalHeader()->sizeHint().height() +
                       standings_.rowCount() * verticalHeader()->defaultSectionSize()};
}

QSize StandingsView::minimumSizeHint() const {
    return sizeHint();
}

}  // namespace kaltero::console
