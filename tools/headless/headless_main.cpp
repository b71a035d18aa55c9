// kaltero-headless FOLDER --snapshot FILE --stop-file FILE --report FILE [--practice]
//
// The console in FOLDER with nobody at it, for tests that run, kill and restart it as a
// process of its own. Sample master data is put in FOLDER when none is there. Every question
// the console asks is answered Yes, so an unfinished race is resumed. When there is none, five
// car slots get the address 127.0.0.1, a car and a driver each, and Start is pressed (with
// --practice, Start and Stop first: the race is the second of the day, on the same set-up). The
// race as the console then holds it is written to the snapshot file (race_snapshot.h) and "ready"
// is printed. Once the stop file exists, Stop is pressed, the results report is saved to the
// report file, the snapshot is written again, "stopped" is printed and the program ends.
//
// Exit status: 0 stopped and saved; 1 the console could not be set up, started or saved;
// 2 bad arguments.
#include "console/application.h"
#include "console/window_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "race_snapshot.h"
#include "sample_data.h"
#include "splash_skipping_clock.h"
#include "widgets/choice_list.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

using namespace kaltero;

constexpr int kCars = 5;
constexpr int kOpenTimeoutMs = 20'000;
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

// An operator who says Yes to everything, types the car PCs' address and saves the report
// where told; the messages and questions the console showed are kept to be told.
class YesPrompts final : public platform::Prompts {
public:
    QString reportFile;
    QStringList shown;

    void message(const QString& text, const QString&, platform::PromptIcon) override {
        shown << text;
    }
    bool askYesNo(const QString& text, const QString&, platform::PromptIcon) override {
        shown << text;
        return true;
    }
    QString inputBox(const QString&, const QString&, const QString&) override {
        return kCarAddress;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override {
        return reportFile;
    }
    void beep() override {}
};

void choose(widgets::ChoiceList* list, int index) {
    if (index < list->count()) {
        list->setCurrentIndex(index);
        Q_EMIT list->activated(index);
    }
}

// Event data, and per car slot its address, a car and a driver, as an operator enters them.
void setUp(console::WindowContext& c) {
    auto& ui = c.ui;
    ui.Txt_Event->setText(QStringLiteral("Kaltero 耐久テスト"));
    ui.Txt_Kion->setText(QStringLiteral("18"));
    for (int s = 0; s < kCars; ++s) {
        ui.Car[s]->Btn_ClientNoSet->click();
        choose(ui.Car[s]->Cmb_Car, s);
        choose(ui.Car[s]->Cmb_Driver, s % 2);
    }
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer since;
    since.start();
    while (!done() && since.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaltero"));

    QCommandLineParser parser;
    const QCommandLineOption snapshotOption(QStringLiteral("snapshot"),
                                            QStringLiteral("Where the race is written."),
                                            QStringLiteral("file"));
    const QCommandLineOption stopOption(QStringLiteral("stop-file"),
                                        QStringLiteral("Its appearance stops the race."),
                                        QStringLiteral("file"));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("The results report to save at Stop."),
                                          QStringLiteral("file"));
    const QCommandLineOption practiceOption(
        QStringLiteral("practice"), QStringLiteral("A practice run is started and stopped first."));
    parser.addOptions({snapshotOption, stopOption, reportOption, practiceOption});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The console's folder."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(snapshotOption) ||
        !parser.isSet(stopOption) || !parser.isSet(reportOption)) {
        err() << parser.helpText();
        return 2;
    }
    const QString folder = QDir(parser.positionalArguments().constFirst()).absolutePath();
    const QString snapshotFile = parser.value(snapshotOption);
    const QString stopFile = parser.value(stopOption);
    if (!QDir().mkpath(folder) || !showcase::writeSampleMasterData(folder)) {
        err() << "cannot write sample master data into " << folder << Qt::endl;
        return 1;
    }

    headless::SplashSkippingClock clock;
    YesPrompts prompts;
    prompts.reportFile = parser.value(reportOption);
    model::RaceModel race;
    console::WindowContext console(prompts, clock, race, race.state());
    clock.setSkipping(true);
    bool refused = false;  // another console holds the folder
    console::Application program(console, folder, [&refused] { refused = true; });
    clock.setSkipping(false);
    program.start();
    if (!waitFor([&] { return refused || program.window() != nullptr; }, kOpenTimeoutMs) ||
        refused) {
        err() << "the console window did not open: " << prompts.shown.join(u" / ") << Qt::endl;
        return 1;
    }
    if (!race.timing()) {
        setUp(console);
        if (parser.isSet(practiceOption)) {
            console.ui.Btn_Start->click();
            console.ui.Btn_Start->click();  // Stop, answered Yes
            prompts.shown.clear();
        }
        console.ui.Btn_Start->click();
    }
    const auto snapshot = [&] {
        return headless::writeSnapshot(
            headless::raceSnapshot(console.state, race.timing(), prompts.shown), snapshotFile);
    };
    if (!race.timing() || !snapshot()) {
        err() << "the race did not start, or " << snapshotFile
              << " cannot be written: " << prompts.shown.join(u" / ") << Qt::endl;
        return 1;
    }
    out() << "ready" << Qt::endl;

    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, [&] {
        if (!QFile::exists(stopFile)) {
            return;
        }
        stopPoll.stop();
        console.ui.Btn_Start->click();
        console.ui.Btn_Write->click();
        const bool saved = !race.timing() && QFile::exists(prompts.reportFile) && snapshot();
        out() << (saved ? "stopped" : "not stopped or not saved") << Qt::endl;
        QCoreApplication::exit(saved ? 0 : 1);
    });
    stopPoll.start(kStopPollMs);
    return QApplication::exec();
}
