#include "console/slot_choice.h"

#include "console/master_choices.h"
#include "core/console_context.h"
#include "masterdata/car_choice.h"
#include "model/race_model.h"
#include "widgets/choice_list.h"
#include "widgets/controls.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::console {

using masterdata::CarChoice;
using masterdata::chooseCar;

SlotChoice::SlotChoice(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    for (int s = 0; s < core::kSlotCount; ++s) {
        QObject::connect(ui.Car[s]->Cmb_Car, &widgets::ChoiceList::entryChosen,
                         [this, s] { onCarChosen(s); });
    }
    // The race follows what the lists show, however they came to show it.
    for (int s = 0; s < core::kSlotCount; ++s) {
        for (widgets::ChoiceList* list : {ui.Car[s]->Cmb_Car, ui.Car[s]->Cmb_Driver}) {
            QObject::connect(list, &QComboBox::currentTextChanged, [this, s] {
                c_.race.showChoices(s, ui_.Car[s]->Cmb_Car->currentText(),
                                    ui_.Car[s]->Cmb_Driver->currentText());
            });
        }
    }
    QObject::connect(ui.Cmb_Course, &widgets::ChoiceList::lostFocus, [this] { onCourseLeft(); });
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
}

void SlotChoice::show(const model::Change& change) {
    auto& ui = ui_;
    switch (change.op) {
        case model::Op::CarChosen:
            ui.Car[change.slot]->Lbl_Tank->setText(c_.state.car[change.slot].TankTxt);
            [[fallthrough]];
        case model::Op::DriverChosen:
        case model::Op::ChoicesShown:
            widgets::showEntry(ui.Car[change.slot]->Cmb_Car, c_.state.car[change.slot].CarName);
            widgets::showEntry(ui.Car[change.slot]->Cmb_Driver, c_.state.car[change.slot].Driver);
            break;
        case model::Op::CourseChosen:
            widgets::showEntry(ui.Cmb_Course, c_.state.CourseName);
            break;
        // A Start carries the whole set-up: a race rebuilt from it draws every choice anew.
        case model::Op::Started:
            for (int s = 0; s < core::kSlotCount; ++s) {
                const auto& car = c_.state.car[s];
                ui.Car[s]->Lbl_Tank->setText(car.TankTxt);
                widgets::showEntry(ui.Car[s]->Cmb_Car, car.CarName);
                widgets::showEntry(ui.Car[s]->Cmb_Driver, car.Driver);
            }
            widgets::showEntry(ui.Cmb_Course, c_.state.CourseName);
            break;
        default:
            break;
    }
}

void SlotChoice::onCarChosen(int s) {
    auto& ui = ui_;
    auto* list = ui.Car[s]->Cmb_Car;
    const CarChoice choice = chooseCar(list->chosenRecord().value<masterdata::CarRecord>());
    c_.race.chooseCar(s, list->currentText(), choice.tankText, choice.TankCapacity,
                      choice.FuelEconomy);
}

void SlotChoice::onCourseLeft() {
    auto* list = ui_.Cmb_Course;
    // With no course chosen the record is empty: length 0.
    c_.race.chooseCourse(list->currentText(),
                         list->chosenRecord().value<masterdata::CourseRecord>().length);
}

}  // namespace kaltero::console
