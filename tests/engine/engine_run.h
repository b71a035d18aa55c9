#pragma once

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "engine/session.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "wording/prompted_operator.h"

namespace kaltero::testing {

// One run of the console's engine in the program folder, as a process would hold it: an
// unfinished race there goes on when `resume`.
struct EngineRun {
    EngineRun(const QString& folder, platform::Clock& clock, bool resume) : clock(clock) {
        prompts.answerYesNo(resume);
        session.load(folder);
        if (!session.open()) {
            qFatal("the program folder is held");
        }
        session.offerResume();
    }
    platform::Clock& clock;
    platform::ScriptedPrompts prompts;
    model::RaceModel race;
    core::Console console{prompts, clock, race, race.state()};
    engine::RaceEngine engine{console};
    wording::PromptedOperator notices{prompts};
    engine::Session session{console, engine, notices};
};

}  // namespace kaltero::testing
