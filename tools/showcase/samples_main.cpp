// kaltero-samples FOLDER: puts sample master data and short endurance rules beside the console
// when none are there yet.
#include "sample_data.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: kaltero-samples FOLDER\n";
        return 2;
    }
    return kaltero::showcase::writeSampleMasterData(args[1]) &&
                   kaltero::showcase::writeSampleRules(args[1])
               ? 0
               : 1;
}
