#pragma once

#include <QString>

namespace kaltero::platform {

enum class PromptIcon { None, Information, Critical, Warning, Question };

// The dialogs the console asks the operator with. The Qt implementation shows real dialogs;
// tests use ScriptedPrompts.
class Prompts {
public:
    virtual ~Prompts() = default;
    // Message box with an OK button only. An empty title means the application's title.
    virtual void message(const QString& text, const QString& title, PromptIcon icon) = 0;
    // A message that waits for no one: the call returns at once and the operator sees it when
    // the window can, while the race goes on being timed. What the engine tells while timing
    // goes this way, never through a dialog that holds the car link.
    virtual void tell(const QString& text, const QString& title, PromptIcon icon) = 0;
    // Yes/No question with No as the default button; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& title, PromptIcon icon) = 0;
    // One-line input box; Cancel gives an empty text.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& preset) = 0;
    // Save-file dialog; filter is "Text (*.txt)|*.txt|All (*.*)|*.*". Cancel gives "".
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& initialName) = 0;
    virtual void beep() = 0;
};

}  // namespace kaltero::platform
