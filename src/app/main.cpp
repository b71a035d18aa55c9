#include "console/application.h"
#include "core/console_context.h"
#include "engine/race_engine.h"
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
    kaltero::core::Console console(prompts, clock, race, race.state());
    kaltero::engine::RaceEngine engine(console);
    kaltero::console::Application program(console, engine, QCoreApplication::applicationDirPath(),
                                          [] { QCoreApplication::exit(0); });
    program.start();
    return QApplication::exec();
}
