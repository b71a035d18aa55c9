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
#include <algorithm>
#include <optional>

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

// What to picture: the folder, the window's picture and, after a race, the page's and the
// pit-wall window's.
struct Shots {
    QString folder;
    QString window;
    bool race = false;
    QStringList live;  // phone, wide; empty: none
    QString pitWall;   // empty: none
};

std::optional<Shots> readArguments(const QStringList& args) {
    if (args.size() < 3) {
        QTextStream(stderr)
            << "usage: kaltero-screenshot FOLDER OUT.png [--race [--live PHONE.png WIDE.png] "
               "[--pit-wall PIT.png]]\n";
        return std::nullopt;
    }
    Shots shots;
    shots.folder = QDir(args[1]).absolutePath();
    shots.window = args[2];
    shots.race = args.contains(QStringLiteral("--race"));
    const qsizetype liveAt = args.indexOf(QStringLiteral("--live"));
    if (liveAt >= 0 && (!shots.race || liveAt + 2 >= args.size())) {
        QTextStream(stderr) << "--live needs --race and two picture files\n";
        return std::nullopt;
    }
    const qsizetype pitWallAt = args.indexOf(QStringLiteral("--pit-wall"));
    if (pitWallAt >= 0 && (!shots.race || pitWallAt + 1 >= args.size())) {
        QTextStream(stderr) << "--pit-wall needs --race and a picture file\n";
        return std::nullopt;
    }
    if (liveAt >= 0) {
        shots.live = {args[liveAt + 1], args[liveAt + 2]};
    }
    if (pitWallAt >= 0) {
        shots.pitWall = args[pitWallAt + 1];
    }
    return shots;
}

// Short silences, so that laps come round within seconds: a pass is 1.5 s within reach, a
// stop 6 s; a stint may last 6 minutes.
void writeRaceSettings(const QString& folder) {
    core::Settings settings;
    settings.NoCommSeconds = 2;
    settings.rules.PitStopSeconds = 3;
    settings.rules.MaxStintMinutes = 6;
    settings.rules.MinPitStopSeconds = 5;
    settings.rules.MinPitStops = 2;
    settings.derive();
    core::WriteAllSettings(settings, QDir(folder).filePath(QStringLiteral("Kaltero.ini")));
}

void setUpEvent(QWidget* window, platform::ScriptedPrompts& prompts, int cars) {
    control<QLineEdit>(window, QStringLiteral("Txt_Event"))
        ->setText(QStringLiteral("Kaltero 耐久レース"));
    control<QComboBox>(window, QStringLiteral("Cmb_Tenki"))->setCurrentIndex(0);
    control<QLineEdit>(window, QStringLiteral("Txt_Kion"))->setText(QStringLiteral("21"));
    auto* course = control<widgets::ChoiceList>(window, QStringLiteral("Cmb_Course"));
    choose(course, 0);
    QFocusEvent leave(QEvent::FocusOut);
    QCoreApplication::sendEvent(course, &leave);
    for (int s = 0; s < cars; ++s) {
        setUpSlot(window, prompts, s);
    }
}

carsim::CarSimOptions raceCars(bool forPage) {
    carsim::CarSimOptions options;
    options.cars = {1, 2, 3, 4, 5};
    // The page's pictures are taken while the cars still drive, before silence counts laps no
    // car closes.
    options.laps = forPage ? 7 : 4;
    options.inRangeMs = 1500;
    options.silenceMs = 2600;
    options.intervalMs = 250;
    options.jitterMs = 400;
    options.message = QStringLiteral("OK");
    options.pitEveryLaps = 3;
    options.pitStopMs = 6000;
    return options;
}

// The live page pictured by headless Chromium once every car has driven four laps; the
// console goes on serving it while the browser finishes.
class PageShot {
public:
    PageShot(const core::Console& console, const QStringList& pictures)
        : console_(console), pictures_(pictures) {
        shot_.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void onLap() {
        const auto& cars = console_.state.car;
        const bool enough =
            std::all_of(cars.begin(), cars.end(), [](const auto& car) { return car.LapCnt >= 4; });
        if (!enough || !shot_.program().isEmpty()) {
            return;
        }
        const QString page = u"http://127.0.0.1:" + QString::number(console_.settings.LivePort) +
                             u"/?key=" + console_.settings.LiveKey;
        shot_.start(QStringLiteral("/usr/bin/python3"),
                    {QString::fromUtf8(KALTERO_BROWSER_CHECK), page, QStringLiteral("--shot"),
                     pictures_[0], pictures_[1]});
    }
    bool taken() {
        if (shot_.state() != QProcess::NotRunning) {
            QEventLoop shooting;
            QObject::connect(&shot_, &QProcess::finished, &shooting, &QEventLoop::quit);
            QTimer::singleShot(60'000, &shooting, &QEventLoop::quit);
            shooting.exec();
        }
        const bool ok = !shot_.program().isEmpty() && shot_.state() == QProcess::NotRunning &&
                        shot_.exitStatus() == QProcess::NormalExit && shot_.exitCode() == 0;
        if (!ok) {
            QTextStream(stderr) << "no picture of the live page was taken\n";
        }
        return ok;
    }

private:
    const core::Console& console_;
    QStringList pictures_;
    QProcess shot_;
};

// Five cars timed for a few laps; the exit code of the cars' run.
int runRace(QWidget* window, const core::Console& console, const Shots& shots) {
    control<QLineEdit>(window, QStringLiteral("Txt_RunH"))->setText(QStringLiteral("1"));
    control<QLineEdit>(window, QStringLiteral("Txt_RunN"))->setText(QStringLiteral("0"));
    control<QPushButton>(window, QStringLiteral("Btn_Start"))->click();
    carsim::CarSim sim(raceCars(!shots.live.isEmpty()));
    QString error;
    if (!sim.start(&error)) {
        QTextStream(stderr) << error << "\n";
        return 1;
    }
    // The driver changes while the car stands in the pit after lap 3: two stints each.
    QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
        if (lap.lap == 3) {
            choose(
                control<widgets::ChoiceList>(window, widgets::indexed("Cmb_Driver", lap.car - 1)),
                1);
        }
    });
    PageShot page(console, shots.live);
    if (!shots.live.isEmpty()) {
        QObject::connect(&sim, &carsim::CarSim::lapCompleted,
                         [&](const carsim::LapResult&) { page.onLap(); });
    }
    QEventLoop loop;
    QObject::connect(&sim, &carsim::CarSim::finished, &loop, &QEventLoop::quit);
    loop.exec();
    int exitCode = sim.result().exitCode();
    if (!shots.live.isEmpty() && !page.taken() && exitCode == 0) {
        exitCode = 1;
    }
    return exitCode;
}

bool savePitWall(QWidget* window, const QString& picture) {
    control<QPushButton>(window, QStringLiteral("Btn_PitWall"))->click();
    wait(1200);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == u"Frm_PitWall" && w->isVisible() && w->grab().save(picture)) {
            return true;
        }
    }
    QTextStream(stderr) << "cannot write " << picture << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaltero"));
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
    const auto shots = readArguments(QApplication::arguments());
    if (!shots) {
        return 2;
    }
    QDir().mkpath(shots->folder);
    if (!showcase::writeSampleMasterData(shots->folder)) {
        QTextStream(stderr) << "cannot write sample master data into " << shots->folder << "\n";
        return 1;
    }
    if (shots->race) {
        writeRaceSettings(shots->folder);
    }
    platform::SystemClock clock;
    platform::ScriptedPrompts prompts;
    model::RaceModel model;
    core::Console console(prompts, clock, model, model.state());
    engine::RaceEngine engine(console);
    console::Application program(console, engine, shots->folder, [] {});
    program.start();
    wait(3300);
    QWidget* window = program.window();
    setUpEvent(window, prompts, shots->race ? 5 : 2);
    const int exitCode = shots->race ? runRace(window, console, *shots) : 0;
    wait(1200);
    window->resize(1880, 1000);
    if (!window->grab().save(shots->window)) {
        QTextStream(stderr) << "cannot write " << shots->window << "\n";
        return 1;
    }
    if (!shots->pitWall.isEmpty() && !savePitWall(window, shots->pitWall)) {
        return 1;
    }
    prompts.takeErrors();
    return exitCode;
}
