#pragma once

#include "console/application.h"
#include "console/main_window.h"
#include "console/window_controls.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"

#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <optional>

namespace kaltero::testing {

// Focus events as the operator's moves into and out of a field raise them.
inline void focusIn(QWidget* w) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &in);
}

inline void focusOut(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// Types into a field the way the operator does: enter, type, leave.
inline void retype(QLineEdit* box, const QString& text) {
    focusIn(box);
    box->setText(text);
    focusOut(box);
}

// A whole console in a temporary program folder, on the manual clock and scripted dialogs.
// The splash has handed over to the window when the constructor returns, at 14:00:00.
struct ConsoleFixture {
    // Puts files into the program folder before the console starts (the window reads the
    // master data files as it loads).
    using Prepare = std::function<void(const QDir& programFolder)>;

    explicit ConsoleFixture(const QDateTime& start = kStart) : ConsoleFixture(Prepare{}, start) {}
    explicit ConsoleFixture(const Prepare& prepare, const QDateTime& start = kStart,
                            std::optional<bool> resume = std::nullopt)
        : clock(start) {
        if (prepare) {
            prepare(QDir(dir.path()));
        }
        // The answer to the question whether an unfinished race goes on.
        if (resume) {
            prompts.answerYesNo(*resume);
        }
        program.start();
        clock.advance(3000);
    }

    static inline const QDateTime kStart{QDate(2026, 4, 3), QTime(13, 59, 57)};

    template <typename W = QWidget>
    W* find(const QString& name) const {
        auto* widget = program.window()->findChild<W*>(name);
        if (widget == nullptr) {
            qFatal("no control named %s", qPrintable(name));
        }
        return widget;
    }

    // The window's controls, found by their names once the window is open.
    WindowControls& ui() {
        if (!controls) {
            controls.emplace(*program.window());
        }
        return *controls;
    }
    const core::RaceState& state() { return console.state; }

    QTemporaryDir dir;
    platform::ManualClock clock;
    platform::ScriptedPrompts prompts;
    model::RaceModel model;
    core::Console console{prompts, clock, model, model.state()};
    engine::RaceEngine engine{console};
    int quits = 0;
    console::Application program{console, engine, dir.path(), [this] { ++quits; }};
    std::optional<WindowControls> controls;
};

// A console with the given slots' car PCs on this machine, ready to Start.
struct Race : ConsoleFixture {
    explicit Race(QList<int> slots = {0}) {
        for (int s : slots) {
            model.setAddress(s, QStringLiteral("127.0.0.1"), false);
            ui().Car[s]->Lbl_IP->setText(QStringLiteral("127.0.0.1"));
        }
    }
    void start() { ui().Btn_Start->click(); }
    void stop(bool yes = true) {
        prompts.answerYesNo(yes);
        ui().Btn_Start->click();
    }
    const core::CarSlot& car(int s) { return state().car[s]; }
};

}  // namespace kaltero::testing
