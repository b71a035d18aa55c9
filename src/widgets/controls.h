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
class Grid;

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

    // Settings panel
    widgets::Frame* Frm_Mess = nullptr;
    widgets::Grid* Spd_Mess = nullptr;
    QPushButton* Btn_MessOk = nullptr;
    QPushButton* Btn_MessCancel = nullptr;

    // Master data editors
    widgets::Frame* Frm_Car = nullptr;
    widgets::Grid* Spd_Car = nullptr;
    QPushButton* Btn_CarOK = nullptr;
    QPushButton* Btn_CarCancel = nullptr;
    widgets::Frame* Frm_Course = nullptr;
    widgets::Grid* Spd_Course = nullptr;
    QPushButton* Btn_CourceOK = nullptr;
    QPushButton* Btn_CourceCancel = nullptr;
    widgets::Frame* Frm_Drivers = nullptr;
    widgets::Grid* Spd_Drivers = nullptr;
    QPushButton* Btn_DrvOk = nullptr;
    QPushButton* Btn_DrvCancel = nullptr;

    Controls();
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;
};

}  // namespace kaltero::widgets
