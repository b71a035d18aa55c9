#include "console/input_conventions.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/controls.h"
#include "widgets/field_events.h"
#include "widgets/frame.h"
#include "widgets/grid.h"

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

void toggle(widgets::ChoiceList* list) {
    if (list->currentText().isEmpty()) {
        list->setBackground(list->background() == widgets::kBlinkColour ? widgets::kWhite
                                                                        : widgets::kBlinkColour);
    }
}

}  // namespace

void applyInputConventions(widgets::Controls& ui) {
    for (int s = 0; s < kSlotCount; ++s) {
        // The driver panel closes before the field does anything else.
        for (QWidget* field : std::initializer_list<QWidget*>{
                 ui.Car[s]->Txt_InGasl, ui.Car[s]->Txt_Nenpi, ui.Car[s]->Txt_OutMess,
                 ui.Car[s]->Txt_ZanRunCnt, ui.Car[s]->Cmb_Car, ui.Car[s]->Cmb_Driver,
                 ui.Car[s]->Chk_ChgCnter}) {
            closesDriverPanel(ui.Car[s], field);
        }
        for (QLineEdit* box : {ui.Car[s]->Txt_InGasl, ui.Car[s]->Txt_Nenpi, ui.Car[s]->Txt_OutMess,
                               ui.Car[s]->Txt_ZanRunCnt}) {
            typeOverAndMoveOn(box);
        }
        moveOnWithEnter(ui.Car[s]->Cmb_Car);
        moveOnWithEnter(ui.Car[s]->Cmb_Driver);
    }
}

NoInputBlink::NoInputBlink(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    // A list the operator chose from, or left, stands on white until the next blink.
    const auto chosen = [](widgets::ChoiceList* list) { list->setBackground(Qt::white); };
    QObject::connect(ui.Cmb_Course, &widgets::ChoiceList::lostFocus, ui.Cmb_Course,
                     [list = ui.Cmb_Course, chosen] { chosen(list); });
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(ui.Car[s]->Cmb_Car, &widgets::ChoiceList::entryChosen, ui.Car[s]->Cmb_Car,
                         [list = ui.Car[s]->Cmb_Car, chosen] { chosen(list); });
        QObject::connect(ui.Car[s]->Cmb_Driver, &widgets::ChoiceList::lostFocus,
                         ui.Car[s]->Cmb_Driver,
                         [list = ui.Car[s]->Cmb_Driver, chosen] { chosen(list); });
    }
    ui_.Time_NoInputBlk->setInterval(1000);
    ui_.Time_NoInputBlk->onTimeout([this] { onMissingInputBlink(); });
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::Started || change.op == model::Op::Resumed) {
            stop();
        } else if (change.op == model::Op::Stopped) {
            start();
        }
    });
}

void NoInputBlink::start() {
    ui_.Time_NoInputBlk->start();
}

// While timing the choices are what they are: they stand on white.
void NoInputBlink::stop() {
    auto& ui = ui_;
    ui.Time_NoInputBlk->stop();
    for (int s = 0; s < kSlotCount; ++s) {
        if (c_.state.car[s].SetUp) {
            ui.Car[s]->Cmb_Driver->setBackground(Qt::white);
            ui.Car[s]->Cmb_Car->setBackground(Qt::white);
        }
    }
}

void NoInputBlink::onMissingInputBlink() {
    auto& ui = ui_;
    toggle(ui.Cmb_Course);
    for (int s = 0; s < kSlotCount; ++s) {
        if (c_.state.car[s].SetUp) {
            toggle(ui.Car[s]->Cmb_Driver);
            toggle(ui.Car[s]->Cmb_Car);
        }
    }
}

}  // namespace kaltero::console
