#pragma once

#include "console/application.h"
#include "console/main_window.h"
#include "core/console_context.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

namespace kaltero::testing {

// A whole console on real time: the system clock, real window timers, real sockets. The
// program folder is a temporary one whose Kaltero.ini sets a short no-communication time,
// so laps take a second or two instead of ten. ready() is true once the splash has handed
// over to the console window (three real seconds after construction).
struct LiveConsole {
    explicit LiveConsole(qint16 noCommSeconds,
                         const QString& precision = QStringLiteral("1/1000")) {
        core::Settings settings;
        settings.Precision = precision;
        settings.NoCommSeconds = noCommSeconds;
        settings.derive();
        settingsWritten = dir.isValid() &&
                          core::WriteAllSettings(
                              settings, QDir(dir.path()).filePath(QStringLiteral("Kaltero.ini")));
        program.start();
        QElapsedTimer waited;
        waited.start();
        while (program.window() == nullptr && waited.elapsed() < kOpenTimeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
    }

    bool ready() const { return settingsWritten && program.window() != nullptr; }

    core::Controls& ui() { return console.ui; }
    core::RaceState& state() { return console.state; }

    // Gives the slots the address of this machine, so their sockets open at Start.
    void registerSlots(std::initializer_list<int> slots) {
        for (int s : slots) {
            ui().Lbl_IP[s]->setText(QStringLiteral("127.0.0.1"));
        }
    }
    void pressStart() { ui().Btn_Start->click(); }
    bool timing() const { return console.timing(); }

    static constexpr int kOpenTimeoutMs = 10'000;

    QTemporaryDir dir;
    platform::SystemClock clock;
    platform::ScriptedPrompts prompts;
    core::Console console{prompts, clock};
    console::Application program{console, dir.path(), [] {}};
    bool settingsWritten = false;
};

}  // namespace kaltero::testing
