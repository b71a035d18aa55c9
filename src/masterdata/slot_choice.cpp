#include "masterdata/slot_choice.h"

#include "core/console_context.h"
#include "masterdata/car_choice.h"
#include "platform/choice_list.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::masterdata {

namespace {
// Columns of a car entry (name, tank, economy) and of a course entry (name with length, length).
constexpr int kTankColumn = 1;
constexpr int kEconomyColumn = 2;
constexpr int kLengthColumn = 1;
}  // namespace

SlotChoice::SlotChoice(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    for (int s = 0; s < core::kSlotCount; ++s) {
        QObject::connect(ui.Cmb_Car[s], &platform::ChoiceList::entryChosen,
                         [this, s] { Cmb_Car_Click(s); });
    }
    QObject::connect(ui.Cmb_Course, &platform::ChoiceList::lostFocus,
                     [this] { Cmb_Course_LostFocus(); });
}

void SlotChoice::Cmb_Car_Click(int s) {
    auto& ui = c_.ui;
    auto* list = ui.Cmb_Car[s];
    list->setColumn(kTankColumn);
    const QString tank = list->columnText();
    list->setColumn(kEconomyColumn);
    const QString economy = list->columnText();
    const CarChoice choice = chooseCar(tank, economy);
    ui.Lbl_Tank[s]->setText(choice.Lbl_Tank);
    c_.state.car[s].TankCapacity = choice.TankCapacity;
    ui.Txt_Nenpi[s]->setText(choice.Txt_Nenpi);
    c_.state.car[s].FuelEconomy = choice.FuelEconomy;
    list->setBackground(Qt::white);
}

void SlotChoice::Cmb_Course_LostFocus() {
    auto* list = c_.ui.Cmb_Course;
    list->setColumn(kLengthColumn);
    list->setBackground(Qt::white);
    c_.state.CourseLength = courseLengthFrom(list->columnText());
}

}  // namespace kaltero::masterdata
