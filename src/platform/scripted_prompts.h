#pragma once

#include "prompts.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace kaltero::platform {

// The test double of Prompts: answers come from queues filled beforehand, every call is
// recorded. A question asked with its queue empty is an error: it is recorded (errors()), told
// on stderr, answered with No / "" so the run goes on, and, unless a test has taken the errors
// with takeErrors(), aborts the test program when the double is destroyed. A test can
// therefore not pass over a question it did not expect.
class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Message, Notice, YesNo, Input, SaveFile };

    struct Call {
        Kind kind = Kind::Message;
        QString text;  // message, question or input prompt; empty for the save dialog
        QString title;
        PromptIcon icon = PromptIcon::None;
        QString preset;  // input box preset or the save dialog's initial name
        QString filter;  // save dialog only
    };

    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;
    ~ScriptedPrompts() override;

    void answerYesNo(bool yes) { yesNo_.push_back({yes, {}}); }
    // The answer, given after `meanwhile` ran while the question was up (another program
    // letting go of a file the question is about).
    void answerYesNo(bool yes, std::function<void()> meanwhile) {
        yesNo_.push_back({yes, std::move(meanwhile)});
    }
    void answerInput(const QString& text) { inputs_.push_back(text); }
    // Each message box stays open this long before it is answered, its event loop running, as
    // when the operator is away from the window.
    void holdMessagesOpen(int ms) { holdMs_ = ms; }
    void answerSaveFile(const QString& fileName) { saveFiles_.push_back(fileName); }

    const QList<Call>& calls() const { return calls_; }
    // The text of every message and question so far, in order.
    QStringList texts() const;
    int beeps() const { return beeps_; }
    // Answers queued but not asked for yet.
    int pendingAnswers() const;
    void clearCalls();

    const QStringList& errors() const { return errors_; }
    // Hands the errors over to the test, which then owns the verdict.
    QStringList takeErrors();

    void message(const QString& text, const QString& title, PromptIcon icon) override;
    void tell(const QString& text, const QString& title, PromptIcon icon) override;
    bool askYesNo(const QString& text, const QString& title, PromptIcon icon) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& preset) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& initialName) override;
    void beep() override { ++beeps_; }

private:
    void unexpected(const QString& what);

    struct YesNo {
        bool yes = false;
        std::function<void()> meanwhile;
    };
    std::deque<YesNo> yesNo_;
    std::deque<QString> inputs_;
    std::deque<QString> saveFiles_;
    QList<Call> calls_;
    QStringList errors_;
    int beeps_ = 0;
    int holdMs_ = 0;
};

}  // namespace kaltero::platform
