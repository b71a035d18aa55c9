#include <QCoreApplication>
#include <QHash>
#include <QTextStream>

#include "car_sim.h"
#include "options.h"

using kaltero::carsim::AddressCheck;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimResult;
using kaltero::carsim::LapResult;
using kaltero::carsim::PitStopResult;
using kaltero::carsim::Reply;

namespace {

constexpr int kBadOptions = 3;
constexpr int kCheckTimeoutMs = 3000;

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

int runCheck(const kaltero::carsim::CarSimOptions& options) {
    AddressCheck check(options.console, options.ownAddress, kCheckTimeoutMs);
    int exitCode = 2;
    QObject::connect(&check, &AddressCheck::finished, [&](bool answered, const QString& answer) {
        if (!answered) {
            err() << "no answer from " << options.console.toString()
                  << " (is the console running and not timing?)" << Qt::endl;
            exitCode = 2;
        } else {
            out() << check.ownAddress() << ": " << answer << Qt::endl;
            exitCode = answer == u"未登録" ? 1 : 0;
        }
        QCoreApplication::exit(exitCode);
    });
    QString error;
    if (!check.start(&error)) {
        err() << error << Qt::endl;
        return kBadOptions;
    }
    QCoreApplication::exec();
    return exitCode;
}

int runCars(const kaltero::carsim::CarSimOptions& options) {
    CarSim sim(options);
    QObject::connect(&sim, &CarSim::lapCompleted,
                     [](const LapResult& lap) { out() << formatLap(lap) << Qt::endl; });
    QObject::connect(&sim, &CarSim::note, [](const QString& text) { out() << text << Qt::endl; });
    // The last record each car was told about: a record sent again is no news.
    QHash<int, QString> heldRecord;
    if (options.records) {
        QObject::connect(&sim, &CarSim::replied, [&heldRecord](const Reply& reply) {
            if (!reply.recordText.isEmpty() && heldRecord.value(reply.car) != reply.recordText) {
                heldRecord[reply.car] = reply.recordText;
                out() << "record " << reply.car << ' ' << reply.recordText << Qt::endl;
            }
        });
        QObject::connect(&sim, &CarSim::returning,
                         [](int car) { out() << "returns " << car << Qt::endl; });
        QObject::connect(&sim, &CarSim::pitStopped, [](const PitStopResult& stop) {
            out() << "pit " << stop.car << " lap " << stop.lap << ' '
                  << stop.lastReportMs - stop.firstReportMs << Qt::endl;
        });
    }
    QObject::connect(&sim, &CarSim::finished, [](const CarSimResult& result) {
        for (const QString& problem : result.problems) {
            err() << problem << Qt::endl;
        }
        out() << (result.exitCode() == 0 ? "all laps completed" : "FAILED") << ": "
              << result.laps.size() << " laps recorded" << Qt::endl;
        QCoreApplication::exit(result.exitCode());
    });
    QString error;
    if (!sim.start(&error)) {
        err() << error << Qt::endl;
        return kBadOptions;
    }
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("carsim"));
    const auto commandLine = kaltero::carsim::parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.help.isEmpty()) {
        out() << commandLine.help;
        return 0;
    }
    if (!commandLine.options) {
        err() << "carsim: " << commandLine.error << Qt::endl << "Try carsim --help." << Qt::endl;
        return kBadOptions;
    }
    return commandLine.options->check ? runCheck(*commandLine.options)
                                      : runCars(*commandLine.options);
}
