#pragma once

#include "engine/notice.h"

namespace kaltero::platform {
class Prompts;
}

namespace kaltero::wording {

// The operator reached through the console's dialogs: each notice in the console's words, told
// without waiting, shown in a message box or asked Yes/No.
class PromptedOperator final : public engine::Operator {
public:
    explicit PromptedOperator(platform::Prompts& prompts) : prompts_(prompts) {}

    void tell(const engine::Notice& notice) override;
    void show(const engine::Notice& notice) override;
    bool ask(const engine::Notice& question) override;

private:
    platform::Prompts& prompts_;
};

}  // namespace kaltero::wording
