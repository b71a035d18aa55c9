#pragma once

#include "console/application.h"
#include "console/main_window.h"
#include "console/window_controls.h"
#include "core/console_context.h"
#include "core/settings.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <optional>

namespace kaltero::testing {

// Runs the event loop the way the console's own program does (QTest's waits sleep between
// passes, which would hold back every datagram) until done() or the time is up; done() is
// looked at every few milliseconds. Returns done().
inline bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (done()) {
        return true;
    }
    poll.start(5);
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

// A whole console on real time: the system clock, real window timers, real sockets. The
// program folder is a temporary one whose Kaltero.ini sets a short no-communication time,
// so laps take a second or two instead of ten. ready() is true once the splash has handed
// over to the console window (three real seconds after construction). `more` writes further
// keys into the Kaltero.ini it is given before the console starts.
struct LiveConsole {
    explicit LiveConsole(qint16 noCommSeconds, const QString& precision = QStringLiteral("1/1000"),
                         const std::function<bool(const QString& ini)>& more = {}) {
        core::Settings settings;
        settings.Precision = precision;
        settings.NoCommSeconds = noCommSeconds;
        settings.derive();
        const QString ini = QDir(dir.path()).filePath(QStringLiteral("Kaltero.ini"));
        settingsWritten =
            dir.isValid() && core::WriteAllSettings(settings, ini) && (!more || more(ini));
        program.start();
        runUntil([this] { return program.window() != nullptr; }, kOpenTimeoutMs);
    }

    bool ready() const { return settingsWritten && program.window() != nullptr; }

    // The window's controls, found by their names once the window is open.
    WindowControls& ui() {
        if (!controls) {
            controls.emplace(*program.window());
        }
        return *controls;
    }
    const core::RaceState& state() { return console.state; }

    // Gives the slots the address of this machine, so their sockets open at Start.
    void registerSlots(std::initializer_list<int> slots) {
        for (int s : slots) {
            model.setAddress(s, QStringLiteral("127.0.0.1"), false);
            ui().Car[s]->Lbl_IP->setText(QStringLiteral("127.0.0.1"));
        }
    }
    void pressStart() { ui().Btn_Start->click(); }
    bool timing() const { return model.timing(); }

    static constexpr int kOpenTimeoutMs = 10'000;

    QTemporaryDir dir;
    platform::SystemClock clock;
    platform::ScriptedPrompts prompts;
    model::RaceModel model;
    core::Console console{prompts, clock, model, model.state()};
    engine::RaceEngine engine{console};
    console::Application program{console, engine, dir.path(), [] {}};
    std::optional<WindowControls> controls;
    bool settingsWritten = false;
};

}  // namespace kaltero::testing
