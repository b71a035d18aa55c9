#include "console/pit_wall_window.h"

#include "console/pit_stop_dialog.h"
#include "console/pit_wall_rules.h"
#include "console/pit_wall_view.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/lap_check.h"
#include "timing/pit_wall_text.h"
#include "timing/time_text.h"
#include "widgets/colours.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kaltero::console {

using namespace Qt::StringLiterals;
using timing::Alert;

namespace {

// One row of a table: its cells' texts and a colour for its last cell (a mark).
struct Row {
    QStringList cells;
    std::optional<QColor> mark = std::nullopt;
};

// The table shows the rows, cell by cell: rows that stay keep their items, so the operator's
// current row stays where it was.
void fill(QStandardItemModel& model, const QList<Row>& rows) {
    model.setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QString text = rows[r].cells.value(c);
            QStandardItem* item = model.item(r, c);
            if (item == nullptr) {
                item = new QStandardItem;
                item->setEditable(false);
                model.setItem(r, c, item);
            }
            if (item->text() != text) {
                item->setText(text);
            }
        }
        QStandardItem* last = model.item(r, model.columnCount() - 1);
        const QVariant colour = rows[r].mark ? QVariant(*rows[r].mark) : QVariant();
        if (last->data(Qt::BackgroundRole) != colour) {
            last->setData(colour, Qt::BackgroundRole);
        }
    }
}

QTableView* table(QStandardItemModel& model, const QStringList& heads, QWidget* parent,
                  const QString& name) {
    model.setHorizontalHeaderLabels(heads);
    auto* view = widgets::named(new QTableView(parent), name);
    view->setModel(&model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

QString driverMarks(const timing::DriverWall& d) {
    QStringList marks;
    if (d.maxAlert == Alert::Passed) {
        marks.append(u"上限超過"_s);
    } else if (d.maxAlert == Alert::Near) {
        marks.append(u"上限間近"_s);
    }
    if (d.missesMinimum) {
        marks.append(u"最小未達"_s);
    }
    return marks.join(u' ');
}

}  // namespace

PitWallWindow::PitWallWindow(core::Console& console, engine::RaceEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window), c_(console), engine_(engine) {
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
    col->addWidget(
        table(cars_, {u"車輌"_s, u"最遅ピット"_s, u"ピット"_s, u"規定"_s}, this, u"Tbl_Cars"_s), 1);
    col->addWidget(widgets::label(u"スティント"_s, this));
    col->addWidget(table(stints_, {u"車輌"_s, u"ドライバ"_s, u"開始周"_s, u"周回数"_s, u"時間"_s},
                         this, u"Tbl_Stints"_s),
                   2);
    col->addWidget(widgets::label(u"ドライバ"_s, this));
    col->addWidget(
        table(drivers_,
              {u"車輌"_s, u"ドライバ"_s, u"運転時間"_s, u"周回数"_s, u"スティント"_s, u"規定"_s},
              this, u"Tbl_Drivers"_s),
        1);
    col->addWidget(widgets::label(u"ピットストップ"_s, this));
    stopView_ = table(stops_, {u"車輌"_s, u"周"_s, u"開始"_s, u"終了"_s, u"時間"_s, u"備考"_s},
                      this, u"Tbl_PitStops"_s);
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
    col->addWidget(
        table(checks_, {u"車輌"_s, u"周"_s, u"タイム"_s, u"理由"_s}, this, u"Tbl_LapChecks"_s), 1);
    connect(add, &QPushButton::clicked, this, [this] { addStop(); });
    connect(correct, &QPushButton::clicked, this, [this] { correctStop(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeStop(); });
    // Drawn while open only; opening draws it again.
    connect(&c_.race, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (isVisible() && movesPitWall(change)) {
            redraw();
        }
    });
    connect(&engine_, &engine::RaceEngine::clockTicked, this, [this] {
        if (isVisible()) {
            redraw();
        }
    });
    resize(1040, 720);
    redraw();
}

void PitWallWindow::redraw() {
    const auto& st = c_.state;
    const qint32 tps = c_.settings.TicksPerSecond;
    // A lap the console was down in adds nothing to a time: shown as what is known of it.
    const auto time = [tps](qint64 ticks, bool unknown = false) -> QString {
        return timing::wallTime(ticks, tps) + (unknown ? u"+不明"_s : QString());
    };
    // Race time from the start, as the stop dialog takes it.
    const auto raceTime = [tps](qint32 tick) { return timing::FormatHMS(tick / std::max(tps, 1)); };
    const timing::RuleTicks rules = timing::ruleTicks(st.rules, tps);
    // The stop the operator chose stays chosen, wherever its row goes.
    const auto chosen =
        stopView_->currentIndex().isValid() && stopView_->currentIndex().row() < stopRows_.size()
            ? std::optional(stopRows_[stopView_->currentIndex().row()])
            : std::nullopt;
    QList<Row> cars;
    QList<Row> stints;
    QList<Row> drivers;
    QList<Row> stops;
    QList<Row> checks;
    stopRows_.clear();
    for (int s : c_.race.takingPart()) {
        const auto& car = st.car[s];
        const QString caption = core::carCaption(s);
        const timing::CarWall wall = timing::carWall(car, st, tps, c_.TickCnt());
        Row carRow{{caption, timing::latestPitText(wall),
                    QString::number(wall.pitStops) + u'/' + QString::number(st.rules.MinPitStops) +
                        u"回"_s,
                    wall.stopsOutOfReach ? u"最少ピット未達"_s : QString()}};
        if (wall.stopsOutOfReach) {
            carRow.mark = widgets::kPastLimit;
        }
        cars.append(carRow);
        for (const timing::Stint& stint : wall.stints) {
            stints.append({{caption, stint.driver, QString::number(stint.firstLap),
                            QString::number(stint.laps), time(stint.ticks, stint.unknownTime)}});
        }
        for (const timing::DriverWall& d : wall.drivers) {
            Row row{{caption, d.time.driver, time(d.time.ticks, d.time.unknownTime),
                     QString::number(d.time.laps), QString::number(d.time.stints), driverMarks(d)}};
            if (d.maxAlert != Alert::None || d.missesMinimum) {
                row.mark = d.maxAlert == Alert::Passed || d.missesMinimum ? widgets::kPastLimit
                                                                          : widgets::kNearLimit;
            }
            drivers.append(row);
        }
        for (const core::PitStop& stop : car.pitStops) {
            QStringList marks;
            if (timing::shortStop(stop, rules)) {
                marks.append(u"短"_s);
            }
            if (stop.byOperator) {
                marks.append(u"手入力"_s);
            }
            Row row{{caption, QString::number(stop.lap), raceTime(stop.startTick),
                     raceTime(stop.endTick), time(stop.length()), marks.join(u' ')}};
            if (timing::shortStop(stop, rules)) {
                row.mark = widgets::kNearLimit;
            }
            stops.append(row);
            stopRows_.append({s, stop});
        }
        for (const timing::DoubtfulLap& d :
             timing::doubtfulLaps(car.laps, car.pitStops, rules.pitStop)) {
            checks.append({{caption, QString::number(d.lapNo), car.laps[d.lapNo - 1].timeText,
                            timing::doubtText(d.doubt)},
                           widgets::kNearLimit});
        }
        for (const core::PitStop& stop : car.pitStops) {
            if (timing::shortStop(stop, rules)) {
                checks.append(
                    {{caption, QString::number(stop.lap), time(stop.length()), u"短いピット"_s},
                     widgets::kNearLimit});
            }
        }
    }
    fill(cars_, cars);
    fill(stints_, stints);
    fill(drivers_, drivers);
    fill(stops_, stops);
    fill(checks_, checks);
    const qsizetype at = chosen ? stopRows_.indexOf(*chosen) : -1;
    if (at >= 0 && at != stopView_->currentIndex().row()) {
        stopView_->setCurrentIndex(stops_.index(int(at), 0));
    } else if (chosen && at < 0) {
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
