#include "console/pit_wall_window.h"

#include "console/pit_stop_dialog.h"
#include "console/pit_wall_view.h"
#include "console/window_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/lap_check.h"
#include "timing/pit_wall_text.h"
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

PitWallWindow::PitWallWindow(WindowContext& console, QWidget* parent)
    : QWidget(parent, Qt::Window), c_(console) {
    setObjectName(u"Frm_PitWall"_s);
    setWindowTitle(u"ピットウォール"_s);
    auto* col = new QVBoxLayout(this);
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
    connect(&c_.engine, &engine::RaceEngine::clockTicked, this, [this] {
        if (isVisible()) {
            redraw();
        }
    });
    resize(640, 640);
    redraw();
}

void PitWallWindow::redraw() {
    const auto& st = c_.state;
    const qint32 tps = c_.settings.TicksPerSecond;
    // A lap the console was down in adds nothing to a time: shown as what is known of it.
    const auto time = [tps](qint64 ticks, bool unknown = false) -> QString {
        return timing::wallTime(ticks, tps) + (unknown ? u"+不明"_s : QString());
    };
    const auto clock = [&st, this](qint32 tick) {
        return st.RaceStartTime.addMSecs(qint64(tick) * c_.settings.MsPerTick)
            .toString(u"HH:mm:ss"_s);
    };
    const timing::RuleTicks rules = timing::ruleTicks(st.rules, tps);
    QList<Row> stints;
    QList<Row> drivers;
    QList<Row> stops;
    QList<Row> checks;
    stopRows_.clear();
    for (int s : c_.race.takingPart()) {
        const auto& car = st.car[s];
        const QString caption = core::carCaption(s);
        const timing::CarWall wall = timing::carWall(car, st, tps, c_.TickCnt());
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
        for (int i = 0; i < car.pitStops.size(); ++i) {
            const core::PitStop& stop = car.pitStops[i];
            QStringList marks;
            if (timing::shortStop(stop, rules)) {
                marks.append(u"短"_s);
            }
            if (stop.byOperator) {
                marks.append(u"手入力"_s);
            }
            Row row{{caption, QString::number(stop.lap), clock(stop.startTick), clock(stop.endTick),
                     time(stop.length()), marks.join(u' ')}};
            if (timing::shortStop(stop, rules)) {
                row.mark = widgets::kNearLimit;
            }
            stops.append(row);
            stopRows_.append({s, i});
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
    fill(stints_, stints);
    fill(drivers_, drivers);
    fill(stops_, stops);
    fill(checks_, checks);
}

std::optional<std::pair<int, int>> PitWallWindow::currentStop() const {
    const QModelIndex current = stopView_->currentIndex();
    if (!current.isValid() || current.row() >= stopRows_.size()) {
        return std::nullopt;
    }
    return stopRows_[current.row()];
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
        [this](int slot, const core::PitStop& stop) { c_.race.editPitStop(slot, -1, stop); }, this);
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
    auto* dialog = new PitStopDialog(
        {slot}, slot, c_.state.car[slot].pitStops[index], c_.settings.TicksPerSecond, c_.prompts,
        [this, index](int s, const core::PitStop& stop) { c_.race.editPitStop(s, index, stop); },
        this);
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
    const core::PitStop& stop = c_.state.car[slot].pitStops[index];
    if (!c_.prompts.askYesNo(core::carCaption(slot) + u" "_s + QString::number(stop.lap) +
                                 u"周目のピットストップを削除します。よろしいですか？"_s,
                             u"削除確認"_s, platform::PromptIcon::Question)) {
        return;
    }
    c_.race.removePitStop(slot, index);
}

}  // namespace kaltero::console
