#pragma once

#include "widgets/car_panel.h"

class QLineEdit;
class QWidget;

namespace kaltero::console {

// The same on every field, so the operator can type over a value and go on with Enter:
// the whole text is selected on entry and on mouse release, Enter moves on as Tab does, and
// entering a field of a car first closes that car's driver panel.
void moveOnWithEnter(QWidget* field);
void typeOverAndMoveOn(QLineEdit* box);
// The conventions on the fields of every car.
void applyInputConventions(const widgets::PerCar<widgets::CarPanel*>& cars);

}  // namespace kaltero::console
