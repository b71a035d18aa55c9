#pragma once

class QGridLayout;
class QPushButton;
class QWidget;

namespace kaltero::widgets {

// The main frame's buttons, each named as in the console: Start/Stop, saving the results, End,
// the master-data editors, 環境設定, the live page and the pit wall, laid out in their grid.
// Built once by the window; the run control writes them, the window connects their presses.
struct RunButtons {
    explicit RunButtons(QWidget* parent);

    QGridLayout* layout = nullptr;
    QPushButton* Btn_Start = nullptr;
    QPushButton* Btn_Write = nullptr;
    QPushButton* Btn_End = nullptr;
    QPushButton* Btn_Car = nullptr;
    QPushButton* Btn_Cource = nullptr;
    QPushButton* Btn_Drivers = nullptr;
    QPushButton* Btn_Mess = nullptr;
    QPushButton* Btn_Live = nullptr;
    QPushButton* Btn_PitWall = nullptr;
};

}  // namespace kaltero::widgets
