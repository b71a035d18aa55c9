#include "console/no_input_blink.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"

namespace kaltero::console {

using core::kSlotCount;

namespace {

void toggle(widgets::ChoiceList* list) {
    if (list->currentText().isEmpty()) {
        list->setBackground(list->background() == widgets::kBlinkColour ? widgets::kWhite
                                                                        : widgets::kBlinkColour);
    }
}

}  // namespace

NoInputBlink::NoInputBlink(core::Console& console, widgets::ChoiceList* course,
                           const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), Cmb_Course(course), cars_(cars), Time_NoInputBlk(console.clock.makeTimer()) {
    // A list the operator chose from, or left, stands on white until the next blink.
    const auto chosen = [](widgets::ChoiceList* list) { list->setBackground(Qt::white); };
    QObject::connect(Cmb_Course, &widgets::ChoiceList::lostFocus, Cmb_Course,
                     [list = Cmb_Course, chosen] { chosen(list); });
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(cars_[s]->Cmb_Car, &widgets::ChoiceList::entryChosen, cars_[s]->Cmb_Car,
                         [list = cars_[s]->Cmb_Car, chosen] { chosen(list); });
        QObject::connect(cars_[s]->Cmb_Driver, &widgets::ChoiceList::lostFocus,
                         cars_[s]->Cmb_Driver,
                         [list = cars_[s]->Cmb_Driver, chosen] { chosen(list); });
    }
    Time_NoInputBlk->setInterval(1000);
    Time_NoInputBlk->onTimeout([this] { onMissingInputBlink(); });
    QObject::connect(&c_.race, &model::RaceModel::changed, Cmb_Course,
                     [this](const model::Change& change) {
                         if (change.op == model::Op::Started || change.op == model::Op::Resumed) {
                             stop();
                         } else if (change.op == model::Op::Stopped) {
                             start();
                         }
                     });
}

void NoInputBlink::start() {
    Time_NoInputBlk->start();
}

// While timing the choices are what they are: they stand on white.
void NoInputBlink::stop() {
    Time_NoInputBlk->stop();
    for (int s = 0; s < kSlotCount; ++s) {
        if (c_.state.car[s].SetUp) {
            cars_[s]->Cmb_Driver->setBackground(Qt::white);
            cars_[s]->Cmb_Car->setBackground(Qt::white);
        }
    }
}

void NoInputBlink::onMissingInputBlink() {
    toggle(Cmb_Course);
    for (int s = 0; s < kSlotCount; ++s) {
        if (c_.state.car[s].SetUp) {
            toggle(cars_[s]->Cmb_Driver);
            toggle(cars_[s]->Cmb_Car);
        }
    }
}

NoInputBlink::~NoInputBlink() = default;

}  // namespace kaltero::console
