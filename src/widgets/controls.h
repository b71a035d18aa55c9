#pragma once

#include "core/slot_state.h"
#include "widgets/car_panel.h"

#include <array>

class QLabel;
class QPushButton;
class QWidget;

namespace kaltero::widgets {

class ChoiceList;
class Frame;

// The controls of the console window under their names: the main frame's, the five car
// panels and the panels over them. The window creates and owns the widgets; the handlers reach
// them through this record. Index = car slot.
struct Controls {
    QWidget* Main = nullptr;

    // Common controls
    widgets::Frame* Frm_Main = nullptr;
    QPushButton* Btn_Start = nullptr;
    QPushButton* Btn_End = nullptr;
    QPushButton* Btn_Mess = nullptr;
    QPushButton* Btn_Live = nullptr;
    QPushButton* Btn_PitWall = nullptr;
    QPushButton* Btn_Write = nullptr;
    QPushButton* Btn_Drivers = nullptr;
    QPushButton* Btn_Cource = nullptr;
    QPushButton* Btn_Car = nullptr;
    // Built by the header's event data; filled and followed by the course choice
    widgets::ChoiceList* Cmb_Course = nullptr;

    // Car frames, one panel per slot
    PerCar<CarPanel*> Car{};


    Controls();
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;
};

}  // namespace kaltero::widgets
