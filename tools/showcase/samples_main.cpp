// kaltero-samples FOLDER [BROKER NAME [FOLLOW]]: puts sample master data and short endurance
// rules beside the console when none are there yet; with a broker, points the console at it
// under NAME, as a standby of FOLLOW when given.
#include "sample_data.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 && args.size() != 4 && args.size() != 5) {
        QTextStream(stderr) << "usage: kaltero-samples FOLDER [BROKER NAME [FOLLOW]]\n";
        return 2;
    }
    using namespace kaltero::showcase;
    const bool relay =
        args.size() < 4 || writeSampleRelay(args[1], args[2], args[3], args.value(4));
    return writeSampleMasterData(args[1]) && writeSampleRules(args[1]) && relay ? 0 : 1;
}
