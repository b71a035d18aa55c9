#include "console/master_data.h"

#include "core/console_context.h"
#include "masterdata/car_file.h"
#include "masterdata/course_file.h"
#include "masterdata/drivers_file.h"
#include "masterdata/field_rules.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/choice_list.h"
#include "widgets/controls.h"
#include "widgets/frame.h"
#include "widgets/grid.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace kaltero::console {

using namespace masterdata;

using core::kSlotCount;

namespace {

// Rows an editor shows at once; the other rows of the 50 are reached by scrolling.
constexpr int kVisibleRows = 12;

// Empties a list and fills it again. The operator's choice stays when the very same entry is
// still there; otherwise the list is left with no choice.
void refill(widgets::ChoiceList* list, const QStringList& entries) {
    const int chosen = list->currentIndex();
    const QString was = chosen >= 0 ? list->entry(chosen) : QString();
    list->setEntries(entries);
    if (chosen >= 0) {
        list->setCurrentIndex(static_cast<int>(entries.indexOf(was)));
    }
}

// Sizes the grid to show every column and its header whole and kVisibleRows rows, and the
// panel around it. Full-width header texts can be wider than a column's width in characters.
void fitPanel(widgets::Frame* panel, widgets::Grid* grid) {
    grid->verticalHeader()->hide();  // no row-number column
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QHeaderView* header = grid->horizontalHeader();
    int width = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < grid->columnCount(); ++c) {
        grid->setColumnWidth(c, std::max(grid->columnWidth(c), header->sectionSizeHint(c)));
        width += grid->columnWidth(c);
    }
    const int height = 2 * grid->frameWidth() + grid->horizontalHeader()->sizeHint().height() +
                       kVisibleRows * grid->verticalHeader()->defaultSectionSize();
    grid->setFixedSize(width, height);
    panel->resize(panel->sizeHint());
}

// Fills a grid with the rows of a loaded file: max(50, rows) rows, then row 1, column 1 active.
void fillGrid(widgets::Grid& grid, const QList<QStringList>& rows) {
    grid.setRowCount(0);
    grid.setRowCount(std::max<int>(kEditorRows, static_cast<int>(rows.size())));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            grid.setCellText(c + 1, r + 1, rows[r][c]);
        }
    }
    grid.setCurrent(1, 1);
    grid.activateCurrent();
}

// The cell texts of columns 1..columns of every row, in row order.
QList<QStringList> gridRows(const widgets::Grid& grid, int columns) {
    QList<QStringList> rows;
    for (int r = 1; r <= grid.rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= columns; ++c) {
            cells.append(grid.cellText(c, r));
        }
        rows.append(cells);
    }
    return rows;
}

}  // namespace

MasterData::MasterData(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    car_ = {ui.Frm_Car,
            ui.Spd_Car,
            4,
            QStringLiteral("Car.ini"),
            &core::Paths::CarFile,
            &MasterData::LoadCarFile,
            &writeCarFile};
    course_ = {ui.Frm_Course,
               ui.Spd_Course,
               2,
               QStringLiteral("Course.ini"),
               &core::Paths::CourseFile,
               &MasterData::LoadCourseFile,
               &writeCourseFile};
    drivers_ = {ui.Frm_Drivers,
                ui.Spd_Drivers,
                2,
                QStringLiteral("Drivers.ini"),
                &core::Paths::DriversFile,
                &MasterData::LoadDriversFile,
                &writeDriversFile};
    layOut();

    QObject::connect(ui.Btn_Car, &QPushButton::clicked, [this] { openCarEditor(); });
    QObject::connect(ui.Btn_CarOK, &QPushButton::clicked, [this] { confirmCarEditor(); });
    QObject::connect(ui.Btn_CarCancel, &QPushButton::clicked, [this] { cancelCarEditor(); });
    QObject::connect(ui.Spd_Car, &widgets::Grid::buttonClicked,
                     [this](int col, int row) { Spd_Car_ButtonClicked(col, row); });
    QObject::connect(ui.Btn_Cource, &QPushButton::clicked, [this] { openCourseEditor(); });
    QObject::connect(ui.Btn_CourceOK, &QPushButton::clicked, [this] { confirmCourseEditor(); });
    QObject::connect(ui.Btn_CourceCancel, &QPushButton::clicked, [this] { cancelCourseEditor(); });
    QObject::connect(ui.Spd_Course, &widgets::Grid::buttonClicked,
                     [this](int col, int row) { Spd_Course_ButtonClicked(col, row); });
    QObject::connect(ui.Btn_Drivers, &QPushButton::clicked, [this] { openDriverEditor(); });
    QObject::connect(ui.Btn_DrvOk, &QPushButton::clicked, [this] { confirmDriverEditor(); });
    QObject::connect(ui.Btn_DrvCancel, &QPushButton::clicked, [this] { cancelDriverEditor(); });
    QObject::connect(ui.Spd_Drivers, &widgets::Grid::buttonClicked,
                     [this](int col, int row) { Spd_Drivers_ButtonClicked(col, row); });
}

void MasterData::layOut() {
    auto& ui = ui_;
    auto* cars = ui.Spd_Car;
    cars->setColumnCount(5);
    cars->setColumnText(1);
    cars->setColumnText(2);
    cars->setColumnDecimal(3, -999.99, 999.99, 2);
    cars->setColumnDecimal(4, -999.99, 999.99, 2);
    cars->setColumnButton(5);
    const double carWidths[] = {15.25, 11.25, 12.12, 12.12, 2.62};
    for (int c = 1; c <= 5; ++c) {
        cars->setColumnWidthChars(c, carWidths[c - 1]);
    }
    fitPanel(ui.Frm_Car, cars);

    auto* courses = ui.Spd_Course;
    courses->setColumnCount(3);
    courses->setColumnText(1);
    courses->setColumnInteger(2, -99999999, 99999999);
    courses->setColumnButton(3);
    courses->setColumnWidthChars(1, 46.75);
    courses->setColumnWidthChars(2, 9.75);
    courses->setColumnWidthChars(3, 2.37);
    fitPanel(ui.Frm_Course, courses);

    auto* drivers = ui.Spd_Drivers;
    drivers->setColumnCount(3);
    drivers->setColumnText(1);
    QStringList targets = {QStringLiteral("全車")};
    for (int s = 0; s < kSlotCount; ++s) {
        targets.append(core::carCaption(s));
    }
    drivers->setColumnChoice(2, targets);
    drivers->setColumnButton(3);
    drivers->setColumnWidthChars(1, 16.5);
    drivers->setColumnWidthChars(2, 10.75);
    drivers->setColumnWidthChars(3, 2.5);
    fitPanel(ui.Frm_Drivers, drivers);
}

// --- Loaders ---------------------------------------------------------------------------

bool MasterData::LoadCarFile(bool GridOnly) {
    auto& ui = ui_;
    const CarFileLoad load = loadCarFile(c_.paths.CarFile, GridOnly);
    if (load.entries) {
        for (int s = 0; s < kSlotCount; ++s) {
            refill(ui.Car[s]->Cmb_Car, *load.entries);
        }
    }
    fillGrid(*ui.Spd_Car, load.gridRows);
    if (!load.readable && !GridOnly) {
        tellUnreadable(car_.fileName);
    }
    return load.readable;
}

bool MasterData::LoadCourseFile(bool GridOnly) {
    auto& ui = ui_;
    const CourseFileLoad load = loadCourseFile(c_.paths.CourseFile, GridOnly);
    if (load.entries) {
        refill(ui.Cmb_Course, *load.entries);
    }
    fillGrid(*ui.Spd_Course, load.gridRows);
    if (!load.readable && !GridOnly) {
        tellUnreadable(course_.fileName);
    }
    return load.readable;
}

bool MasterData::LoadDriversFile(bool GridOnly) {
    auto& ui = ui_;
    const DriversFileLoad load = loadDriversFile(c_.paths.DriversFile, GridOnly);
    if (load.entries) {
        for (int s = 0; s < kSlotCount; ++s) {
            refill(ui.Car[s]->Cmb_Driver, (*load.entries)[s]);
            c_.race.listDriverEntries(s, (*load.entries)[s]);
        }
    }
    fillGrid(*ui.Spd_Drivers, load.gridRows);
    if (!load.readable && !GridOnly) {
        tellUnreadable(drivers_.fileName);
    }
    return load.readable;
}

void MasterData::tellUnreadable(const QString& fileName) {
    c_.prompts.message(
        QStringLiteral("%1 を読み込めませんでした。ファイルを確かめてください。").arg(fileName), {},
        platform::PromptIcon::Warning);
}

// --- Editors ---------------------------------------------------------------------------

void MasterData::open(const Editor& editor) {
    // The grid shows the file as stored; edits left by a cancelled editing are dropped.
    if (!(this->*editor.load)(true)) {
        // Saving an editor that could not show the file would replace records it never saw.
        c_.prompts.message(
            QStringLiteral("%1 を読み込めないため、編集できません。ファイルを確かめてください。")
                .arg(editor.fileName),
            {}, platform::PromptIcon::Warning);
        return;
    }
    auto* panel = editor.panel;
    fitPanel(panel, editor.grid);  // the headers are known by now
    const QWidget* main = ui_.Main;
    panel->move((main->width() - panel->width()) / 2, (main->height() - panel->height()) / 2);
    panel->show();
    panel->raise();
    setConsoleEnabled(false);
    editor.grid->setFocus();
}

void MasterData::save(const Editor& editor) {
    if (!editor.write(c_.paths.*editor.path, gridRows(*editor.grid, editor.dataColumns))) {
        // The panel stays open with every row, so that nothing typed is lost.
        c_.prompts.message(
            QStringLiteral(
                "%1 に書き込めませんでした。ファイルが読み取り専用でないか、"
                "ディスクに空きがあるかを確かめてから、もう一度「登録」を押してください。")
                .arg(editor.fileName),
            {}, platform::PromptIcon::Warning);
        editor.grid->setFocus();
        return;
    }
    close(editor);
    (this->*editor.load)(false);
}

void MasterData::close(const Editor& editor) {
    editor.panel->hide();
    setConsoleEnabled(true);
}

void MasterData::deleteRow(const Editor& editor, int col, int row) {
    if (col != editor.dataColumns + 1) {
        return;
    }
    auto* grid = editor.grid;
    grid->setCurrent(1, row);
    grid->deleteCurrentRow();
    grid->setCurrent(1, 1);
    grid->activateCurrent();
}

void MasterData::setConsoleEnabled(bool enabled) {
    auto& ui = ui_;
    for (auto* frame : ui.Car) {
        frame->setEnabled(enabled);
    }
    ui.Frm_Main->setEnabled(enabled);
}

void MasterData::openCarEditor() {
    open(car_);
}
void MasterData::confirmCarEditor() {
    save(car_);
}
void MasterData::cancelCarEditor() {
    close(car_);
}
void MasterData::Spd_Car_ButtonClicked(int col, int row) {
    deleteRow(car_, col, row);
}

void MasterData::openCourseEditor() {
    open(course_);
}
void MasterData::confirmCourseEditor() {
    save(course_);
}
void MasterData::cancelCourseEditor() {
    close(course_);
}
void MasterData::Spd_Course_ButtonClicked(int col, int row) {
    deleteRow(course_, col, row);
}

void MasterData::openDriverEditor() {
    open(drivers_);
}
void MasterData::confirmDriverEditor() {
    save(drivers_);
}
void MasterData::cancelDriverEditor() {
    close(drivers_);
}
void MasterData::Spd_Drivers_ButtonClicked(int col, int row) {
    deleteRow(drivers_, col, row);
}

}  // namespace kaltero::console
