#include "console/input_conventions.h"

#include "widgets/choice_list.h"
#include "widgets/field_events.h"
#include "widgets/frame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace kaltero::console {

using core::kSlotCount;

namespace {

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

void moveOnWithEnter(QWidget* field) {
    widgets::onFieldEvents(field, {.keyDown = [field](int key) {
                               if (isEnter(key)) {
                                   QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                                   QCoreApplication::sendEvent(field, &tab);
                               }
                               return false;
                           }});
}

void typeOverAndMoveOn(QLineEdit* box) {
    widgets::onFieldEvents(
        box, {.gotFocus = [box] { box->selectAll(); }, .mouseUp = [box] { box->selectAll(); }});
    moveOnWithEnter(box);
}

namespace {

void closesDriverPanel(widgets::CarPanel* car, QWidget* field) {
    widgets::onFieldEvents(field, {.gotFocus = [car] { car->closeDriverPanel(); }});
}

}  // namespace

void applyInputConventions(const widgets::PerCar<widgets::CarPanel*>& cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        // The driver panel closes before the field does anything else.
        for (QWidget* field : std::initializer_list<QWidget*>{
                 cars[s]->Txt_InGasl, cars[s]->Txt_Nenpi, cars[s]->Txt_OutMess,
                 cars[s]->Txt_ZanRunCnt, cars[s]->Cmb_Car, cars[s]->Cmb_Driver,
                 cars[s]->Chk_ChgCnter}) {
            closesDriverPanel(cars[s], field);
        }
        for (QLineEdit* box : {cars[s]->Txt_InGasl, cars[s]->Txt_Nenpi, cars[s]->Txt_OutMess,
                               cars[s]->Txt_ZanRunCnt}) {
            typeOverAndMoveOn(box);
        }
        moveOnWithEnter(cars[s]->Cmb_Car);
        moveOnWithEnter(cars[s]->Cmb_Driver);
    }
}

}  // namespace kaltero::console
