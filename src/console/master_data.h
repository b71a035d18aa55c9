#pragma once

#include "console/master_choices.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

class QWidget;

namespace kaltero::core {
struct Console;
struct Paths;
}  // namespace kaltero::core

namespace kaltero::widgets {
class EditorDialog;
}

namespace kaltero::console {

// The car, course and driver files in the console: their loaders, which fill the editors and
// the lists of records the car, course and driver choices offer, and the three editors
// "車輌情報編集", "コース情報編集" and "ドライバ編集".
//
// Refilling the lists keeps a choice when the very same record (every field) is still in the
// file, so that saving an editor does not undo what the operator chose; a record that is gone or
// was changed leaves the list with no choice, and the no-input blink asks for a new one. The
// values copied from an earlier choice (TankCapacity, FuelEconomy, CourseLength, Lbl_Tank,
// Txt_Nenpi) are never touched by a refill.
class MasterData {
public:
    // The editors open over `window`.
    MasterData(core::Console& console, QWidget* window);

    // Each returns false when the file exists but cannot be read; the editor and, unless
    // GridOnly, the lists are then empty.
    bool LoadCarFile(bool GridOnly);
    bool LoadCourseFile(bool GridOnly);
    bool LoadDriversFile(bool GridOnly);

    void openCarEditor() { open(car_); }
    void openCourseEditor() { open(course_); }
    void openDriverEditor() { open(drivers_); }

    CarChoices* carChoices() const { return cars_; }
    CourseChoices* courseChoices() const { return courses_; }
    DriverChoices* driverChoices(int slot) const { return driverLists_.at(slot); }

private:
    // What differs between the three editors.
    struct Editor {
        widgets::EditorDialog* dialog = nullptr;
        int dataColumns = 0;  // the delete button is the column after these
        QString fileName;     // as the operator knows the file
        QString core::Paths::*path = nullptr;
        bool (MasterData::*load)(bool GridOnly) = nullptr;
        bool (*write)(const QString& path, const QList<QStringList>& gridRows) = nullptr;
    };

    void buildEditors(QWidget* window);
    void open(const Editor& editor);
    void save(const Editor& editor);
    void deleteRow(const Editor& editor, int row);
    void tellUnreadable(const QString& fileName);

    core::Console& c_;
    CarChoices* cars_;
    CourseChoices* courses_;
    std::array<DriverChoices*, core::kSlotCount> driverLists_{};
    Editor car_;
    Editor course_;
    Editor drivers_;
};

}  // namespace kaltero::console
