#include "console/pit_wall_window.h"

#include "console/pit_stop_dialog.h"
#include "console/pit_wall_rules.h"
#include "console/pit_wall_view.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/pit_wall_text.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kaltero::console {

using namespace Qt::StringLiterals;

namespace {

QTableView* table(QAbstractItemModel& model, QWidget* parent, const QString& name) {
    auto* view = widgets::named(new QTableView(parent), name);
    view->setModel(&model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

}  // namespace

PitWallWindow::PitWallWindow(core::Console& console, engine::RaceEngine& raceEngine,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), c_(console) {
    for (int t = 0; t < kWallTableCount; ++t) {
        tables_[t] = new WallTableModel(wallHeads(WallTable(t)), this);
    }
    setObjectName(u"Frm_PitWall"_s);
    setWindowTitle(u"ピットウォール"_s);
    auto* row = new QHBoxLayout(this);
    auto* col = new QVBoxLayout;
    row->addLayout(col, 3);
    auto* side = new QVBoxLayout;
    side->addWidget(widgets::label(u"耐久規定"_s, this));
    side->addWidget(new PitWallRules(c_, this));
    row->addLayout(side, 2);
    col->addWidget(widgets::label(u"車輌"_s, this));
    col->addWidget(table(*tables_[kCars], this, u"Tbl_Cars"_s), 1);
    col->addWidget(widgets::label(u"スティント"_s, this));
    col->addWidget(table(*tables_[kStints], this, u"Tbl_Stints"_s), 2);
    col->addWidget(widgets::label(u"ドライバ"_s, this));
    col->addWidget(table(*tables_[kDrivers], this, u"Tbl_Drivers"_s), 1);
    col->addWidget(widgets::label(u"ピットストップ"_s, this));
    stopView_ = table(*tables_[kStops], this, u"Tbl_PitStops"_s);
    col->addWidget(stopView_, 2);
    auto* buttons = new QHBoxLayout;
    auto* add = widgets::button(u"追加"_s, this, u"Btn_PitStopAdd"_s);
    auto* correct = widgets::button(u"修正"_s, this, u"Btn_PitStopEdit"_s);
    auto* remove = widgets::button(u"削除"_s, this, u"Btn_PitStopDel"_s);
    buttons->addWidget(add);
    buttons->addWidget(correct);
    buttons->addWidget(remove);
    buttons->addStretch();
    col->addLayout(buttons);
    col->addWidget(widgets::label(u"要確認"_s, this));
    col->addWidget(table(*tables_[kChecks], this, u"Tbl_LapChecks"_s), 1);
    connect(add, &QPushButton::clicked, this, [this] { addStop(); });
    connect(correct, &QPushButton::clicked, this, [this] { correctStop(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeStop(); });
    // Drawn while open only; opening draws it again.
    connect(&c_.race, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (isVisible() && movesPitWall(change)) {
            redraw();
        }
    });
    connect(&raceEngine, &engine::RaceEngine::clockTicked, this, [this] {
        if (isVisible()) {
            redraw();
        }
    });
    resize(1040, 720);
    redraw();
}

void PitWallWindow::redraw() {
    // The stop the operator chose stays chosen, wherever its row goes.
    const QModelIndex current = stopView_->currentIndex();
    // A plain value beside a flag, not an optional: GCC's optimiser takes an optional's
    // payload here for uninitialised and the release build fails on it.
    const bool wasChosen = current.isValid() && current.row() < stopRows_.size();
    const auto chosen = wasChosen ? stopRows_[current.row()] : decltype(stopRows_)::value_type{};
    const PitWallTables tables = pitWallTables(c_.race, c_.settings, c_.TickCnt());
    stopRows_ = tables.stopRows;
    for (int t = 0; t < kWallTableCount; ++t) {
        tables_[t]->show(tables.rows[t]);
    }
    const qsizetype at = wasChosen ? stopRows_.indexOf(chosen) : -1;
    if (at >= 0 && at != stopView_->currentIndex().row()) {
        stopView_->setCurrentIndex(tables_[kStops]->index(int(at), 0));
    } else if (wasChosen && at < 0) {
        stopView_->setCurrentIndex({});
    }
}

std::optional<std::pair<int, int>> PitWallWindow::currentStop() const {
    const QModelIndex current = stopView_->currentIndex();
    if (!current.isValid() || current.row() >= stopRows_.size()) {
        return std::nullopt;
    }
    const auto& [slot, stop] = stopRows_[current.row()];
    const qsizetype index = c_.state.car[slot].pitStops.indexOf(stop);
    return index < 0 ? std::nullopt : std::optional(std::pair{slot, int(index)});
}

std::optional<QString> PitWallWindow::takeStop(int slot,
                                               const std::optional<core::PitStop>& replacing,
                                               const core::PitStop& stop) {
    const auto& stops = c_.state.car[slot].pitStops;
    // The stop corrected is found again by what it is: others may have come in meanwhile.
    const qsizetype index = replacing ? stops.indexOf(*replacing) : -1;
    if (replacing && index < 0) {
        return u"このピットストップはもうありません。"_s;
    }
    if (auto refusal = timing::stopRefusal(c_.state.car[slot], stop,
                                           index >= 0 ? std::optional(index) : std::nullopt,
                                           c_.TickCnt(), c_.settings.TicksPerSecond)) {
        return refusal;
    }
    c_.race.editPitStop(slot, int(index), stop);
    return std::nullopt;
}

void PitWallWindow::addStop() {
    const QList<int> cars = c_.race.takingPart();
    if (cars.isEmpty()) {
        c_.prompts.message(u"スタートした車輌がありません。"_s, {}, platform::PromptIcon::None);
        return;
    }
    // A stop now, on the lap the first car is driving, as a start to correct.
    const auto& car = c_.state.car[cars.first()];
    const qint32 now = c_.TickCnt();
    const core::PitStop shown{car.LapCnt + (car.LapPending ? 0 : 1), now, now, true};
    auto* dialog = new PitStopDialog(
        cars, cars.first(), shown, c_.settings.TicksPerSecond, c_.prompts,
        [this](int slot, const core::PitStop& stop) { return takeStop(slot, std::nullopt, stop); },
        this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void PitWallWindow::correctStop() {
    const auto at = currentStop();
    if (!at) {
        c_.prompts.message(u"修正するピットストップを選んでください。"_s, {},
                           platform::PromptIcon::None);
        return;
    }
    const auto [slot, index] = *at;
    const core::PitStop was = c_.state.car[slot].pitStops[index];
    auto* dialog = new PitStopDialog(
        {slot}, slot, was, c_.settings.TicksPerSecond, c_.prompts,
        [this, was](int s, const core::PitStop& stop) { return takeStop(s, was, stop); }, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void PitWallWindow::removeStop() {
    const auto at = currentStop();
    if (!at) {
        c_.prompts.message(u"削除するピットストップを選んでください。"_s, {},
                           platform::PromptIcon::None);
        return;
    }
    const auto [slot, index] = *at;
    const core::PitStop stop = c_.state.car[slot].pitStops[index];
    if (!c_.prompts.askYesNo(core::carCaption(slot) + u" "_s + QString::number(stop.lap) +
                                 u"周目のピットストップを削除します。よろしいですか？"_s,
                             u"削除確認"_s, platform::PromptIcon::Question)) {
        return;
    }
    // Found again after the question: a stop recorded meanwhile may have moved it.
    const qsizetype now = c_.state.car[slot].pitStops.indexOf(stop);
    if (now >= 0) {
        c_.race.removePitStop(slot, int(now));
    }
}

}  // namespace kaltero::console
