#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kaltero::core {
struct Console;
struct Paths;
}  // namespace kaltero::core

namespace kaltero::widgets {
class Frame;
class Grid;
}  // namespace kaltero::widgets

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The car, course and driver files in the console: their loaders, which fill the editor grids
// and the choice lists, and the three editor panels "車輌情報編集", "コース情報編集" and
// "ドライバ編集".
//
// Refilling a choice list keeps the slot's choice when the very same entry (every column) is
// still in the file, so that saving an editor does not undo what the operator chose; an entry
// that is gone or was changed leaves the list with no choice, and the no-input blink asks for a
// new one. The values copied from an earlier choice (TankCapacity, FuelEconomy, CourseLength,
// Lbl_Tank, Txt_Nenpi) are never touched by a refill.
class MasterData {
public:
    MasterData(core::Console& console, widgets::Controls& ui);

    // Each returns false when the file exists but cannot be read; the grid and, unless
    // GridOnly, the lists are then empty.
    bool LoadCarFile(bool GridOnly);
    bool LoadCourseFile(bool GridOnly);
    bool LoadDriversFile(bool GridOnly);

    void openCarEditor();
    void confirmCarEditor();
    void cancelCarEditor();
    void Spd_Car_ButtonClicked(int col, int row);

    void openCourseEditor();
    void confirmCourseEditor();
    void cancelCourseEditor();
    void Spd_Course_ButtonClicked(int col, int row);

    void openDriverEditor();
    void confirmDriverEditor();
    void cancelDriverEditor();
    void Spd_Drivers_ButtonClicked(int col, int row);

private:
    // What differs between the three editors.
    struct Editor {
        widgets::Frame* panel = nullptr;
        widgets::Grid* grid = nullptr;
        int dataColumns = 0;  // the delete button is the column after these
        QString fileName;     // as the operator knows the file
        QString core::Paths::*path = nullptr;
        bool (MasterData::*load)(bool GridOnly) = nullptr;
        bool (*write)(const QString& path, const QList<QStringList>& gridRows) = nullptr;
    };

    void layOut();
    void open(const Editor& editor);
    void save(const Editor& editor);
    void close(const Editor& editor);
    void deleteRow(const Editor& editor, int col, int row);
    void setConsoleEnabled(bool enabled);
    void tellUnreadable(const QString& fileName);

    core::Console& c_;
    widgets::Controls& ui_;
    Editor car_;
    Editor course_;
    Editor drivers_;
};

}  // namespace kaltero::console
