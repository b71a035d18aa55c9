#include "console/slot_choice.h"

#include "console/master_choices.h"
#include "core/console_context.h"
#include "masterdata/car_choice.h"
#include "model/race_model.h"
#include "widgets/choice_list.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::console {

using masterdata::CarChoice;
using masterdata::chooseCar;

SlotChoice::SlotChoice(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars,
                       widgets::ChoiceList* course)
    : c_(console), cars_(cars), course_(course) {
    for (int s = 0; s < core::kSlotCount; ++s) {
        QObject::connect(cars_[s]->Cmb_Car, &widgets::ChoiceList::entryChosen,
                         [this, s] { onCarChosen(s); });
    }
    // The race follows what the lists show, however they came to show it.
    for (int s = 0; s < core::kSlotCount; ++s) {
        for (widgets::ChoiceList* list : {cars_[s]->Cmb_Car, cars_[s]->Cmb_Driver}) {
            QObject::connect(list, &QComboBox::currentTextChanged, [this, s] {
                c_.race.showChoices(s, cars_[s]->Cmb_Car->currentText(),
                                    cars_[s]->Cmb_Driver->currentText());
            });
        }
    }
    QObject::connect(course_, &widgets::ChoiceList::lostFocus, [this] { onCourseLeft(); });
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
}

void SlotChoice::show(const model::Change& change) {
    switch (change.op) {
        case model::Op::CarChosen:
            cars_[change.slot]->Lbl_Tank->setText(c_.state.car[change.slot].TankTxt);
            [[fallthrough]];
        case model::Op::DriverChosen:
        case model::Op::ChoicesShown:
            widgets::showEntry(cars_[change.slot]->Cmb_Car, c_.state.car[change.slot].CarName);
            widgets::showEntry(cars_[change.slot]->Cmb_Driver, c_.state.car[change.slot].Driver);
            break;
        case model::Op::CourseChosen:
            widgets::showEntry(course_, c_.state.CourseName);
            break;
        // A Start carries the whole set-up: a race rebuilt from it draws every choice anew.
        case model::Op::Started:
            for (int s = 0; s < core::kSlotCount; ++s) {
                const auto& car = c_.state.car[s];
                cars_[s]->Lbl_Tank->setText(car.TankTxt);
                widgets::showEntry(cars_[s]->Cmb_Car, car.CarName);
                widgets::showEntry(cars_[s]->Cmb_Driver, car.Driver);
            }
            widgets::showEntry(course_, c_.state.CourseName);
            break;
        default:
            break;
    }
}

void SlotChoice::onCarChosen(int s) {
    auto* list = cars_[s]->Cmb_Car;
    const CarChoice choice = chooseCar(list->chosenRecord().value<masterdata::CarRecord>());
    c_.race.chooseCar(s, list->currentText(), choice.tankText, choice.TankCapacity,
                      choice.FuelEconomy);
}

void SlotChoice::onCourseLeft() {
    auto* list = course_;
    // With no course chosen the record is empty: length 0.
    c_.race.chooseCourse(list->currentText(),
                         list->chosenRecord().value<masterdata::CourseRecord>().length);
}

}  // namespace kaltero::console
