// kaltero-headless FOLDER --snapshot FILE --stop-file FILE --report FILE [--practice]
//
// The console's engine in FOLDER with no window and nobody at it, for tests that run, kill and
// restart it as a process of its own. Sample master data is put in FOLDER when none is there.
// Every question the console asks is answered Yes, so an unfinished race is resumed. When there
// is none, five car slots get the address 127.0.0.1, a car and a driver each, and the race is
// started (with --practice, started and stopped first: the race is the second of the day, on
// the same set-up). The race as the console then holds it is written to the snapshot file
// (race_snapshot.h) and "ready" is printed. Once the stop file exists, the race is stopped, the
// results report is saved to the report file, the snapshot is written again, "stopped" is
// printed and the program ends.
//
// Exit status: 0 stopped and saved; 1 the console could not be set up, started or saved;
// 2 bad arguments.
#include "core/console_context.h"
#include "engine/race_engine.h"
#include "engine/session.h"
#include "masterdata/car_choice.h"
#include "masterdata/car_file.h"
#include "masterdata/drivers_file.h"
#include "masterdata/field_rules.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "race/fuel.h"
#include "race/report_inputs.h"
#include "race_snapshot.h"
#include "sample_data.h"
#include "wording/prompted_operator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <optional>

namespace {

using namespace kaltero;
using namespace Qt::StringLiterals;

constexpr int kCars = 5;
constexpr int kStopPollMs = 20;
const QString kCarAddress = QStringLiteral("127.0.0.1");

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

// An operator who says Yes to everything; the messages and questions the console showed are
// kept to be told.
class YesPrompts final : public platform::Prompts {
public:
    QStringList shown;

    void message(const QString& text, const QString&, platform::PromptIcon) override {
        shown << text;
    }
    void tell(const QString& text, const QString&, platform::PromptIcon) override { shown << text; }
    bool askYesNo(const QString& text, const QString&, platform::PromptIcon) override {
        shown << text;
        return true;
    }
    QString inputBox(const QString&, const QString&, const QString& preset) override {
        return preset;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void beep() override {}
};

// Event data, and per car slot its address, a car and a driver from the master files, as an
// operator enters them.
bool setUp(core::Console& c) {
    const auto cars = masterdata::readCarFile(c.paths.CarFile);
    const auto drivers = masterdata::readDriversFile(c.paths.DriversFile);
    if (!cars || !drivers) {
        return false;
    }
    const QDate today = c.clock.now().date();
    c.race.editEventData(
        {QStringLiteral("Kaltero 耐久テスト"),
         QStringLiteral("%1/%2/%3").arg(today.year()).arg(today.month()).arg(today.day()),
         {},
         QStringLiteral("18")});
    for (int s = 0; s < kCars; ++s) {
        c.race.setAddress(s, kCarAddress, true);
        // A slot beyond the file's cars gets no car: empty figures.
        const bool listed = s < cars->size();
        const QString name = listed ? masterdata::shownName(cars->at(s).name) : QString();
        const auto car =
            listed ? masterdata::chooseCar(cars->at(s)) : masterdata::chooseCar(u"", u"");
        c.race.chooseCar(s, name, car.tankText, car.TankCapacity, car.FuelEconomy);
        const QString driver =
            masterdata::driverNames(masterdata::driversFor(s, *drivers)).value(s % 2);
        c.race.showChoices(s, name, driver);
        c.race.chooseDriver(s, driver,
                            race::countdownSwitch(false, c.settings.CheckDefaultLaps).text);
    }
    return true;
}

// What the command line asks for.
struct Options {
    QString folder;
    QString snapshotFile;
    QString stopFile;
    QString reportFile;
    bool practice = false;
};

std::optional<Options> readOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    const QCommandLineOption snapshot(QStringLiteral("snapshot"),
                                      QStringLiteral("Where the race is written."),
                                      QStringLiteral("file"));
    const QCommandLineOption stop(QStringLiteral("stop-file"),
                                  QStringLiteral("Its appearance stops the race."),
                                  QStringLiteral("file"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("The results report to save at Stop."),
                                    QStringLiteral("file"));
    const QCommandLineOption practice(
        QStringLiteral("practice"), QStringLiteral("A practice run is started and stopped first."));
    parser.addOptions({snapshot, stop, report, practice});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The console's folder."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(snapshot) ||
        !parser.isSet(stop) || !parser.isSet(report)) {
        err() << parser.helpText();
        return std::nullopt;
    }
    return Options{QDir(parser.positionalArguments().constFirst()).absolutePath(),
                   parser.value(snapshot), parser.value(stop), parser.value(report),
                   parser.isSet(practice)};
}

// The race resumed, or set up and started (after a practice run when asked); why not, when not.
std::optional<QString> startRace(core::Console& console, engine::RaceEngine& timing,
                                 YesPrompts& prompts, const Options& options) {
    if (console.race.timing()) {
        return std::nullopt;
    }
    if (!setUp(console)) {
        return u"the master files of "_s + options.folder + u" cannot be read"_s;
    }
    if (options.practice) {
        timing.start();
        timing.stop();
        prompts.shown.clear();
    }
    timing.start();
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kaltero"));
    const auto options = readOptions(app);
    if (!options) {
        return 2;
    }
    if (!QDir().mkpath(options->folder) || !showcase::writeSampleMasterData(options->folder)) {
        err() << "cannot write sample master data into " << options->folder << Qt::endl;
        return 1;
    }
    platform::SystemClock clock;
    YesPrompts prompts;
    model::RaceModel race;
    core::Console console(prompts, clock, race, race.state());
    engine::RaceEngine timing(console);
    wording::PromptedOperator notices(prompts);
    engine::Session session(console, timing, notices);
    session.load(options->folder);
    if (!session.open()) {
        err() << "another console holds " << options->folder << Qt::endl;
        return 1;
    }
    timing.bindAddressCheck();
    session.offerResume();
    if (const auto why = startRace(console, timing, prompts, *options)) {
        err() << *why << Qt::endl;
        return 1;
    }
    const auto snapshot = [&] {
        return headless::writeSnapshot(
            headless::raceSnapshot(console.state, console.settings, race.timing(), prompts.shown),
            options->snapshotFile);
    };
    if (!race.timing() || !snapshot()) {
        err() << "the race did not start, or " << options->snapshotFile
              << " cannot be written: " << prompts.shown.join(u" / ") << Qt::endl;
        return 1;
    }
    out() << "ready" << Qt::endl;

    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, [&] {
        if (!QFile::exists(options->stopFile)) {
            return;
        }
        stopPoll.stop();
        timing.stop();
        QString why;
        const bool saved =
            !race.timing() &&
            race::writeResults(console.state, console.settings, options->reportFile, &why) &&
            snapshot();
        session.end();
        out() << (saved ? u"stopped"_s : u"not stopped or not saved "_s + why) << Qt::endl;
        QCoreApplication::exit(saved ? 0 : 1);
    });
    stopPoll.start(kStopPollMs);
    return QCoreApplication::exec();
}
