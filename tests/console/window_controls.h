#pragma once

#include "console/main_window.h"
#include "core/slot_state.h"
#include "platform/clock.h"
#include "widgets/car_panel.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/grid.h"
#include "widgets/widget_build.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::testing {

using widgets::PerCar;

// The console window's controls as the operator's scripts reach them: by their object names.
// Index = car slot.
struct WindowControls {
    explicit WindowControls(console::MainWindow& window)
        : Main(&window), Time_NoInputBlk(&window.missingInputBlinkTimer()) {
        for (int s = 0; s < core::kSlotCount; ++s) {
            Car[s] = find<widgets::CarPanel>(widgets::indexed("Frm_Runner", s));
        }
    }

    QWidget* Main;
    const platform::Timer* Time_NoInputBlk;
    widgets::Frame* Frm_Main = find<widgets::Frame>("Frm_Main");
    // Header: event data, race length and clocks
    QLineEdit* Txt_Event = find<QLineEdit>("Txt_Event");
    QLineEdit* Txt_Date = find<QLineEdit>("Txt_Date");
    QComboBox* Cmb_Tenki = find<QComboBox>("Cmb_Tenki");
    QLineEdit* Txt_Kion = find<QLineEdit>("Txt_Kion");
    widgets::ChoiceList* Cmb_Course = find<widgets::ChoiceList>("Cmb_Course");
    QLineEdit* Txt_RunH = find<QLineEdit>("Txt_RunH");
    QLineEdit* Txt_RunN = find<QLineEdit>("Txt_RunN");
    QLabel* Lbl_StTime = find<QLabel>("Lbl_StTime");
    QLabel* Lbl_ZanTime = find<QLabel>("Lbl_ZanTime");
    QLabel* Lbl_SysTime = find<QLabel>("Lbl_SysTime");
    // Stopwatch, own address, message to all cars
    QPushButton* Btn_OtherLap = find<QPushButton>("Btn_OtherLap");
    QLabel* Lbl_OtherLap = find<QLabel>("Lbl_OtherLap");
    QLabel* Lbl_LocalIP = find<QLabel>("Lbl_LocalIP");
    QLineEdit* Txt_AllOutMess = find<QLineEdit>("Txt_AllOutMess");
    // Run control
    QPushButton* Btn_Start = find<QPushButton>("Btn_Start");
    QPushButton* Btn_Write = find<QPushButton>("Btn_Write");
    QPushButton* Btn_End = find<QPushButton>("Btn_End");
    QPushButton* Btn_Drivers = find<QPushButton>("Btn_Drivers");
    QPushButton* Btn_Cource = find<QPushButton>("Btn_Cource");
    QPushButton* Btn_Car = find<QPushButton>("Btn_Car");
    QPushButton* Btn_Mess = find<QPushButton>("Btn_Mess");
    QPushButton* Btn_Live = find<QPushButton>("Btn_Live");
    QPushButton* Btn_PitWall = find<QPushButton>("Btn_PitWall");
    // The car frames "Frm_Runner_N", each control under its own name
    PerCar<widgets::CarPanel*> Car{};

private:
    template <typename W>
    W* findAny(const QString& name) const {
        return Main->findChild<W*>(name);
    }
    template <typename W>
    W* find(const char* name) const {
        return find<W>(QString::fromLatin1(name));
    }
    template <typename W>
    W* find(const QString& name) const {
        W* widget = findAny<W>(name);
        if (widget == nullptr) {
            qFatal("no control named %s", qPrintable(name));
        }
        return widget;
    }
};

}  // namespace kaltero::testing
