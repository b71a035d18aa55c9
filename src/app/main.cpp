#include "console/application.h"
#include "console/window_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/qt_prompts.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaltero"));
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));

    kaltero::platform::SystemClock clock;
    kaltero::widgets::QtPrompts prompts;
    kaltero::model::RaceModel race;
    kaltero::console::WindowContext console(prompts, clock, race, race.state());
    kaltero::console::Application program(console, QCoreApplication::applicationDirPath(),
                                          [] { QCoreApplication::exit(0); });
    program.start();
    return QApplication::exec();
}
