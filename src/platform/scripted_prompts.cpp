#include "scripted_prompts.h"

#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

namespace kaltero::platform {

ScriptedPrompts::~ScriptedPrompts() {
    if (!errors_.isEmpty()) {
        qFatal("ScriptedPrompts: %d unexpected question(s), first: %s",
               static_cast<int>(errors_.size()), qUtf8Printable(errors_.first()));
    }
}

QStringList ScriptedPrompts::texts() const {
    QStringList out;
    for (const Call& call : calls_) {
        if (call.kind != Kind::SaveFile) {
            out << call.text;
        }
    }
    return out;
}

int ScriptedPrompts::pendingAnswers() const {
    return static_cast<int>(yesNo_.size() + inputs_.size() + saveFiles_.size());
}

void ScriptedPrompts::clearCalls() {
    calls_.clear();
    beeps_ = 0;
}

QStringList ScriptedPrompts::takeErrors() {
    QStringList taken;
    taken.swap(errors_);
    return taken;
}

void ScriptedPrompts::unexpected(const QString& what) {
    errors_ << what;
    qCritical("ScriptedPrompts: unexpected %s", qUtf8Printable(what));
}

void ScriptedPrompts::message(const QString& text, const QString& title, PromptIcon icon) {
    calls_.append({Kind::Message, text, title, icon, {}, {}});
    if (holdMs_ > 0) {
        QEventLoop open;
        QTimer::singleShot(holdMs_, &open, &QEventLoop::quit);
        open.exec();
    }
}

void ScriptedPrompts::tell(const QString& text, const QString& title, PromptIcon icon) {
    calls_.append({Kind::Notice, text, title, icon, {}, {}});
}

bool ScriptedPrompts::askYesNo(const QString& text, const QString& title, PromptIcon icon) {
    calls_.append({Kind::YesNo, text, title, icon, {}, {}});
    if (yesNo_.empty()) {
        unexpected(u"yes/no question \"" + text + u'"');
        return false;
    }
    const YesNo answer = yesNo_.front();
    yesNo_.pop_front();
    if (answer.meanwhile) {
        answer.meanwhile();
    }
    return answer.yes;
}

QString ScriptedPrompts::inputBox(const QString& prompt, const QString& title,
                                  const QString& preset) {
    calls_.append({Kind::Input, prompt, title, PromptIcon::None, preset, {}});
    if (inputs_.empty()) {
        unexpected(u"input box \"" + prompt + u'"');
        return {};
    }
    QString answer = inputs_.front();
    inputs_.pop_front();
    return answer;
}

QString ScriptedPrompts::saveFileName(const QString& title, const QString& filter,
                                      const QString& initialName) {
    calls_.append({Kind::SaveFile, {}, title, PromptIcon::None, initialName, filter});
    if (saveFiles_.empty()) {
        unexpected(u"save dialog \"" + title + u'"');
        return {};
    }
    QString answer = saveFiles_.front();
    saveFiles_.pop_front();
    return answer;
}

}  // namespace kaltero::platform
