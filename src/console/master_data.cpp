#include "console/master_data.h"

#include "core/console_context.h"
#include "masterdata/field_rules.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/editor_dialog.h"

#include <QTableView>

namespace kaltero::console {

using namespace masterdata;

using core::kSlotCount;
using widgets::CellFormat;
using widgets::CellKind;
using widgets::EditorColumn;
using widgets::EditorDialog;
using widgets::EditorNames;

namespace {

// Rows an editor shows at once; the other rows of the 50 are reached by scrolling.
constexpr int kVisibleRows = 12;

CellFormat deleteButton() {
    CellFormat button;
    button.kind = CellKind::Button;
    return button;
}

QList<EditorColumn> carColumns() {
    return {{QStringLiteral("車輌名"), {}, 15.25},
            {QStringLiteral("所有者"), {}, 11.25},
            {QStringLiteral("タンク容量"), widgets::decimalFormat(-999.99, 999.99, 2), 12.12},
            {QStringLiteral("平均燃費(Km/l)"), widgets::decimalFormat(-999.99, 999.99, 2), 12.12},
            {QStringLiteral(" "), deleteButton(), 2.62}};
}

QList<EditorColumn> courseColumns() {
    return {{QStringLiteral("コース名"), {}, 46.75},
            {QStringLiteral("全長(単位m)"), widgets::integerFormat(-99999999, 99999999), 9.75},
            {QStringLiteral(" "), deleteButton(), 2.37}};
}

QList<EditorColumn> driverColumns() {
    QStringList targets = {QStringLiteral("全車")};
    for (int s = 0; s < kSlotCount; ++s) {
        targets.append(core::carCaption(s));
    }
    return {{QStringLiteral("ドライバ名"), {}, 16.5},
            {QStringLiteral("対象車"), widgets::choiceFormat(targets), 10.75},
            {QStringLiteral(" "), deleteButton(), 2.5}};
}

// The editor shows the file's rows from the first cell on.
void showRows(EditorDialog* dialog, const QList<QStringList>& rows) {
    dialog->table()->setRows(rows);
    dialog->showCell(0, 0);
}

}  // namespace

MasterData::MasterData(core::Console& console, QWidget* window)
    : c_(console),
      cars_(new CarChoices(&carChoiceCaption, window)),
      courses_(new CourseChoices(&courseCaption, window)) {
    for (auto& list : driverLists_) {
        list = new DriverChoices(&driverChoiceCaption, window);
    }
    buildEditors(window);
}

void MasterData::buildEditors(QWidget* window) {
    car_ = {
        nullptr,      0, QStringLiteral("Car.ini"), &core::Paths::CarFile, &MasterData::LoadCarFile,
        &writeCarFile};
    course_ = {nullptr,
               0,
               QStringLiteral("Course.ini"),
               &core::Paths::CourseFile,
               &MasterData::LoadCourseFile,
               &writeCourseFile};
    drivers_ = {nullptr,
                0,
                QStringLiteral("Drivers.ini"),
                &core::Paths::DriversFile,
                &MasterData::LoadDriversFile,
                &writeDriversFile};
    const auto build = [this, window](const QString& caption, const EditorNames& names,
                                      const QList<EditorColumn>& columns, Editor& editor) {
        editor.dialog = new EditorDialog(caption, names, columns, window);
        editor.dataColumns = static_cast<int>(columns.size()) - 1;
        editor.dialog->fitRows(kVisibleRows);
        QObject::connect(editor.dialog, &EditorDialog::confirmed,
                         [this, &editor] { save(editor); });
        QObject::connect(editor.dialog, &EditorDialog::rowButtonPressed,
                         [this, &editor](int row) { deleteRow(editor, row); });
    };
    build(QStringLiteral("車輌情報編集"),
          {QStringLiteral("Frm_Car"), QStringLiteral("Spd_Car"), QStringLiteral("Btn_CarOK"),
           QStringLiteral("Btn_CarCancel")},
          carColumns(), car_);
    build(QStringLiteral("コース情報編集"),
          {QStringLiteral("Frm_Course"), QStringLiteral("Spd_Course"),
           QStringLiteral("Btn_CourceOK"), QStringLiteral("Btn_CourceCancel")},
          courseColumns(), course_);
    build(QStringLiteral("ドライバ編集"),
          {QStringLiteral("Frm_Drivers"), QStringLiteral("Spd_Drivers"),
           QStringLiteral("Btn_DrvOk"), QStringLiteral("Btn_DrvCancel")},
          driverColumns(), drivers_);
}

// --- Loaders ---------------------------------------------------------------------------

bool MasterData::LoadCarFile(bool GridOnly) {
    const CarFileLoad load = loadCarFile(c_.paths.CarFile, GridOnly);
    if (load.cars) {
        cars_->setRecords(*load.cars);
    }
    showRows(car_.dialog, load.gridRows);
    if (!load.readable && !GridOnly) {
        tellUnreadable(car_.fileName);
    }
    return load.readable;
}

bool MasterData::LoadCourseFile(bool GridOnly) {
    const CourseFileLoad load = loadCourseFile(c_.paths.CourseFile, GridOnly);
    if (load.courses) {
        courses_->setRecords(*load.courses);
    }
    showRows(course_.dialog, load.gridRows);
    if (!load.readable && !GridOnly) {
        tellUnreadable(course_.fileName);
    }
    return load.readable;
}

bool MasterData::LoadDriversFile(bool GridOnly) {
    const DriversFileLoad load = loadDriversFile(c_.paths.DriversFile, GridOnly);
    if (load.drivers) {
        for (int s = 0; s < kSlotCount; ++s) {
            const QList<DriverRecord> offered = driversFor(s, *load.drivers);
            driverLists_[s]->setRecords(offered);
            c_.race.listDriverEntries(s, driverNames(offered));
        }
    }
    showRows(drivers_.dialog, load.gridRows);
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
    // The editor shows the file as stored; edits left by a cancelled editing are dropped.
    if (!(this->*editor.load)(true)) {
        // Saving an editor that could not show the file would replace records it never saw.
        c_.prompts.message(
            QStringLiteral("%1 を読み込めないため、編集できません。ファイルを確かめてください。")
                .arg(editor.fileName),
            {}, platform::PromptIcon::Warning);
        return;
    }
    editor.dialog->openCentred();
    editor.dialog->showCell(0, 0);
}

void MasterData::save(const Editor& editor) {
    QList<QStringList> rows = editor.dialog->table()->rows();
    for (QStringList& row : rows) {
        row.resize(editor.dataColumns);
    }
    if (!editor.write(c_.paths.*editor.path, rows)) {
        // The editor stays open with every row, so that nothing typed is lost.
        c_.prompts.message(
            QStringLiteral(
                "%1 に書き込めませんでした。ファイルが読み取り専用でないか、"
                "ディスクに空きがあるかを確かめてから、もう一度「登録」を押してください。")
                .arg(editor.fileName),
            {}, platform::PromptIcon::Warning);
        editor.dialog->view()->setFocus();
        return;
    }
    editor.dialog->accept();
    (this->*editor.load)(false);
}

void MasterData::deleteRow(const Editor& editor, int row) {
    editor.dialog->table()->deleteRow(row);
    editor.dialog->showCell(0, 0);
}

}  // namespace kaltero::console
