#pragma once

#include "core/slot_state.h"
#include "widgets/car_panel.h"

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kaltero::platform {
class Timer;
}  // namespace kaltero::platform

namespace kaltero::widgets {

class ChoiceList;
class Frame;

template <typename T>
using PerCar = std::array<T, core::kSlotCount>;

// The controls of the console window under their names: the main frame's, the five car
// panels and the panels over them. The window creates and owns the widgets; the handlers reach
// them through this record. Index = car slot, except the standings rows, which are rank
// positions.
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
    QPushButton* Btn_OtherLap = nullptr;
    QLabel* Lbl_OtherLap = nullptr;
    QLabel* Lbl_StTime = nullptr;
    QLabel* Lbl_ZanTime = nullptr;
    QLabel* Lbl_SysTime = nullptr;
    QLineEdit* Txt_RunH = nullptr;
    QLineEdit* Txt_RunN = nullptr;
    QLabel* Lbl_LocalIP = nullptr;
    QLineEdit* Txt_AllOutMess = nullptr;
    QLineEdit* Txt_Event = nullptr;
    QLineEdit* Txt_Date = nullptr;
    QComboBox* Cmb_Tenki = nullptr;
    QLineEdit* Txt_Kion = nullptr;
    widgets::ChoiceList* Cmb_Course = nullptr;

    // Standings board, by rank position
    PerCar<QLabel*> Lbl_Jyuni{};
    PerCar<QLabel*> Lbl_Sort_No{};
    PerCar<QLabel*> Lbl_Sort_LAP{};
    PerCar<QLabel*> Lbl_BestTime{};
    PerCar<QLabel*> Lbl_BestLAP{};

    // Car frames, one panel per slot
    PerCar<CarPanel*> Car{};

    // Address check socket and window timers
    std::unique_ptr<platform::Timer> Time_NoInputBlk;
    std::unique_ptr<platform::Timer> Time_OtherLap;

    Controls();
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;
};

}  // namespace kaltero::widgets
