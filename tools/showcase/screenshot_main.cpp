// kaltero-screenshot FOLDER OUT.png [--race [--live PHONE.png WIDE.png] [--pit-wall PIT.png]]
//
// Opens the console in FOLDER (sample master data is put there when none is), sets up slots
// the way an operator does and saves a picture of the window. With --race, five simulated
// cars are timed for a few laps first, so the picture shows a race in progress; with --live
// also the live page of that race, in headless Chromium at a phone's and a wide screen's width.
// The cars stop in the pit on their way and change drivers there; --pit-wall also saves the
// pit-wall window.
#include "car_sim.h"
#include "console/application.h"
#include "console/main_window.h"
#include "core/console_context.h"
#include "core/settings.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "sample_data.h"
#include "widgets/choice_list.h"
#include "widgets/widget_build.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFocusEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

using namespace kaltero;

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void choose(widgets::ChoiceList* list, int index) {
    if (index < list->count()) {
        list->setCurrentIndex(index);
        Q_EMIT list->activated(index);
    }
}

// A control of the window by its name, as the operator's scripts reach it.
template <typename W>
W* control(QWidget* window, const QString& name) {
    W* widget = window->findChild<W*>(name);
    if (widget == nullptr) {
        qFatal("no control named %s", qPrintable(name));
    }
    return widget;
}

void setUpSlot(QWidget* window, platform::ScriptedPrompts& prompts, int slot) {
    using widgets::indexed;
    prompts.answerInput(QStringLiteral("127.0.0.1"));
    control<QPushButton>(window, indexed("Btn_ClientNoSet", slot))->click();
    choose(control<widgets::ChoiceList>(window, indexed("Cmb_Car", slot)), slot);
    choose(control<widgets::ChoiceList>(window, indexed("Cmb_Driver", slot)), 0);
    control<QLineEdit>(window, indexed("Txt_InGasl", slot))
        ->setText(QString::number(40 + 10 * slot));
    control<QPushButton>(window, indexed("Btn_Kyuyu", slot))->click();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaltero"));
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        QTextStream(stderr)
            << "usage: kaltero-screenshot FOLDER OUT.png [--race [--live PHONE.png WIDE.png] "
               "[--pit-wall PIT.png]]\n";
        return 2;
    }
    const QString folder = QDir(args[1]).absolutePath();
    const bool race = args.contains(QStringLiteral("--race"));
    const qsizetype liveAt = args.indexOf(QStringLiteral("--live"));
    if (liveAt >= 0 && (!race || liveAt + 2 >= args.size())) {
        QTextStream(stderr) << "--live needs --race and two picture files\n";
        return 2;
    }
    const qsizetype pitWallAt = args.indexOf(QStringLiteral("--pit-wall"));
    if (pitWallAt >= 0 && (!race || pitWallAt + 1 >= args.size())) {
        QTextStream(stderr) << "--pit-wall needs --race and a picture file\n";
        return 2;
    }
    QDir().mkpath(folder);
    if (!showcase::writeSampleMasterData(folder)) {
        QTextStream(stderr) << "cannot write sample master data into " << folder << "\n";
        return 1;
    }
    if (race) {
        // Short silences, so that laps come round within seconds.
        core::Settings settings;
        settings.NoCommSeconds = 2;
        // A pass is 1.5 s within reach, a stop 6 s; a stint may last 6 minutes.
        settings.rules.PitStopSeconds = 3;
        settings.rules.MaxStintMinutes = 6;
        settings.rules.MinPitStopSeconds = 5;
        settings.rules.MinPitStops = 2;
        settings.derive();
        core::WriteAllSettings(settings, QDir(folder).filePath(QStringLiteral("Kaltero.ini")));
    }

    platform::SystemClock clock;
    platform::ScriptedPrompts prompts;
    model::RaceModel model;
    core::Console console(prompts, clock, model, model.state());
    engine::RaceEngine engine(console);
    console::Application program(console, engine, folder, [] {});
    program.start();
    wait(3300);
    QWidget* window = program.window();
    control<QLineEdit>(window, QStringLiteral("Txt_Event"))
        ->setText(QStringLiteral("Kaltero 耐久レース"));
    control<QComboBox>(window, QStringLiteral("Cmb_Tenki"))->setCurrentIndex(0);
    control<QLineEdit>(window, QStringLiteral("Txt_Kion"))->setText(QStringLiteral("21"));
    auto* course = control<widgets::ChoiceList>(window, QStringLiteral("Cmb_Course"));
    choose(course, 0);
    QFocusEvent leave(QEvent::FocusOut);
    QCoreApplication::sendEvent(course, &leave);
    const int cars = race ? 5 : 2;
    for (int s = 0; s < cars; ++s) {
        setUpSlot(window, prompts, s);
    }

    int exitCode = 0;
    if (race) {
        control<QLineEdit>(window, QStringLiteral("Txt_RunH"))->setText(QStringLiteral("1"));
        control<QLineEdit>(window, QStringLiteral("Txt_RunN"))->setText(QStringLiteral("0"));
        control<QPushButton>(window, QStringLiteral("Btn_Start"))->click();
        carsim::CarSimOptions options;
        options.cars = {1, 2, 3, 4, 5};
        // The page's pictures are taken while the cars still drive, before silence counts
        // laps no car closes.
        options.laps = liveAt >= 0 ? 7 : 4;
        options.inRangeMs = 1500;
        options.silenceMs = 2600;
        options.intervalMs = 250;
        options.jitterMs = 400;
        options.message = QStringLiteral("OK");
        options.pitEveryLaps = 3;
        options.pitStopMs = 6000;
        carsim::CarSim sim(options);
        QString error;
        if (!sim.start(&error)) {
            QTextStream(stderr) << error << "\n";
            return 1;
        }
        QProcess shot;
        shot.setProcessChannelMode(QProcess::ForwardedChannels);
        // The driver changes while the car stands in the pit after lap 3: two stints each.
        QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
            if (lap.lap == 3) {
                choose(control<widgets::ChoiceList>(window,
                                                    widgets::indexed("Cmb_Driver", lap.car - 1)),
                       1);
            }
        });
        if (liveAt >= 0) {
            QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult&) {
                const bool enough =
                    std::all_of(console.state.car.begin(), console.state.car.begin() + cars,
                                [](const auto& car) { return car.LapCnt >= 4; });
                if (enough && shot.program().isEmpty()) {
                    const QString page = u"http://127.0.0.1:" +
                                         QString::number(console.settings.LivePort) + u"/?key=" +
                                         console.settings.LiveKey;
                    shot.start(QStringLiteral("/usr/bin/python3"),
                               {QString::fromUtf8(KALTERO_BROWSER_CHECK), page,
                                QStringLiteral("--shot"), args[liveAt + 1], args[liveAt + 2]});
                }
            });
        }
        QEventLoop loop;
        QObject::connect(&sim, &carsim::CarSim::finished, &loop, &QEventLoop::quit);
        loop.exec();
        exitCode = sim.result().exitCode();
        if (liveAt >= 0) {
            // The console goes on serving the page while the browser finishes.
            if (shot.state() != QProcess::NotRunning) {
                QEventLoop shooting;
                QObject::connect(&shot, &QProcess::finished, &shooting, &QEventLoop::quit);
                QTimer::singleShot(60'000, &shooting, &QEventLoop::quit);
                shooting.exec();
            }
            if (shot.program().isEmpty() || shot.state() != QProcess::NotRunning ||
                shot.exitStatus() != QProcess::NormalExit || shot.exitCode() != 0) {
                QTextStream(stderr) << "no picture of the live page was taken\n";
                exitCode = exitCode != 0 ? exitCode : 1;
            }
        }
        wait(1200);
    } else {
        wait(1200);
    }
    program.window()->resize(1880, 1000);
    const bool saved = program.window()->grab().save(args[2]);
    if (!saved) {
        QTextStream(stderr) << "cannot write " << args[2] << "\n";
        return 1;
    }
    if (pitWallAt >= 0) {
        control<QPushButton>(window, QStringLiteral("Btn_PitWall"))->click();
        wait(1200);
        QWidget* pitWall = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"Frm_PitWall" && w->isVisible()) {
                pitWall = w;
            }
        }
        if (!pitWall || !pitWall->grab().save(args[pitWallAt + 1])) {
            QTextStream(stderr) << "cannot write " << args[pitWallAt + 1] << "\n";
            return 1;
        }
    }
    prompts.takeErrors();
    return exitCode;
}
