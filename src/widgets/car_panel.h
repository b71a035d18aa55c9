#pragma once

#include "core/slot_state.h"
#include "widgets/frame.h"

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kaltero::platform {
class Clock;
class Timer;
}  // namespace kaltero::platform

namespace kaltero::widgets {

class ChoiceList;
class Gauge;
class LapGrid;
class TwoStateButton;

template <typename T>
using PerCar = std::array<T, core::kSlotCount>;

// One car slot's frame "Frm_Runner_N" with its controls, its car link socket and its timers,
// each control named as in the console ("Lbl_IP_N", ...). Built once per slot.
class CarPanel final : public Frame {
public:
    CarPanel(int slot, platform::Clock& clock, QWidget* parent);
    ~CarPanel() override;

    // Closes the driver panel: its time is up, or the operator turned to another control.
    void closeDriverPanel();

    // Car PC address
    QLabel* Lbl_Gousya = nullptr;
    QLabel* Lbl_IP = nullptr;
    QPushButton* Btn_ClientNoSet = nullptr;
    QPushButton* Btn_ClientNoSet2 = nullptr;
    QPushButton* Btn_ClsCar = nullptr;
    // Car and driver
    widgets::ChoiceList* Cmb_Car = nullptr;
    widgets::ChoiceList* Cmb_Driver = nullptr;
    // Running lap
    QLabel* Lbl_Time = nullptr;
    QLabel* Lbl_LapCnt = nullptr;
    QPushButton* Btn_RunStop = nullptr;
    QPushButton* Btn_LapChg = nullptr;
    widgets::TwoStateButton* Btn_DriverInfo = nullptr;
    // Figures
    widgets::Frame* Frm_LapInfo = nullptr;
    QLabel* Lbl_BestLapTm = nullptr;
    QLabel* Lbl_AveLapTm = nullptr;
    QLabel* Lbl_YosoSyu = nullptr;
    widgets::Frame* Frm_DriverInfo = nullptr;
    QLabel* Lbl_DrvrBestLapTm = nullptr;
    QLabel* Lbl_DrvrAveLapTm = nullptr;
    // The pit wall: the stint against its maximum, then the pit stops, on two lines
    QLabel* Lbl_PitWall = nullptr;
    // Fuel
    widgets::Gauge* Meter_Gas = nullptr;
    QLabel* Lbl_Tank = nullptr;
    QLineEdit* Txt_Nenpi = nullptr;
    QLineEdit* Txt_InGasl = nullptr;
    QPushButton* Btn_Kyuyu = nullptr;
    QLabel* Lbl_AllGas = nullptr;
    QLabel* Lbl_ZanGas = nullptr;
    QLabel* Lbl_FuelLaps = nullptr;  // laps the fuel still allows, the lap to come in by
    // Countdown
    QCheckBox* Chk_ChgCnter = nullptr;
    QLineEdit* Txt_ZanRunCnt = nullptr;
    QLabel* Lbl_AutoMess1 = nullptr;
    QLabel* Lbl_AutoMess2 = nullptr;
    // Messages
    QLineEdit* Txt_OutMess = nullptr;
    QLabel* Lbl_InMess = nullptr;
    // Laps and drivers
    widgets::LapGrid* Spd_Laps = nullptr;
    // The lap grid's repairs of the selected lap (its context menu and keys)
    QAction* Act_LapMerge = nullptr;
    QAction* Act_LapSplit = nullptr;
    QAction* Act_LapRepairUndo = nullptr;
    widgets::Frame* Frm_DriverLap = nullptr;

    std::unique_ptr<platform::Timer> Time_MessBlk;
    std::unique_ptr<platform::Timer> Time_GasBlk;
    std::unique_ptr<platform::Timer> Time_DriverInfo;

private:
    void buildAddress(QVBoxLayout* col, int s);
    void buildChoices(QVBoxLayout* col, int s);
    void buildRunningLap(QVBoxLayout* col, int s);
    void buildFigures(QVBoxLayout* col, int s);
    void buildPitWallLine(QVBoxLayout* col, int s);
    void buildFuel(QVBoxLayout* col, int s);
    void buildCountdown(QVBoxLayout* col, int s);
    void buildMessages(QVBoxLayout* col, int s);
    void buildLapGrid(QVBoxLayout* col, int s);
    void buildDriverPanel(QVBoxLayout* col, int s);
};

}  // namespace kaltero::widgets
