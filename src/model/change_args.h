#pragma once

#include "core/slot_state.h"
#include "model/race_model.h"

#include <QVariantMap>

namespace kaltero::model {

// A lap and a car's figures as an operation carries them, and back.
QVariantMap lapArgs(const core::Lap& lap);
core::Lap lapFrom(const QVariantMap& args);
QVariantMap figuresArgs(const Figures& figures);
Figures figuresFrom(const QVariantMap& args);

}  // namespace kaltero::model
