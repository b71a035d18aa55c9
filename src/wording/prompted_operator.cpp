#include "wording/prompted_operator.h"

#include "platform/prompts.h"
#include "wording/notice_words.h"

namespace kaltero::wording {

void PromptedOperator::tell(const engine::Notice& notice) {
    const Words w = words(notice);
    prompts_.tell(w.text, w.title, w.icon);
}

void PromptedOperator::show(const engine::Notice& notice) {
    const Words w = words(notice);
    prompts_.message(w.text, w.title, w.icon);
}

bool PromptedOperator::ask(const engine::Notice& question) {
    const Words w = words(question);
    return prompts_.askYesNo(w.text, w.title, w.icon);
}

}  // namespace kaltero::wording
