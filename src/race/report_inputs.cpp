#include "race/report_inputs.h"

#include "link/figure_text.h"
#include "platform/whole_file.h"
#include "race/csv_report.h"
#include "timing/time_text.h"

#include <QFileInfo>

namespace kaltero::race {

ReportInputs reportInputs(const core::RaceState& race, const core::Settings& settings) {
    ReportInputs in;
    in.eventName = race.event.name;
    in.date = race.event.date;
    in.weather = race.event.weather;
    in.temperature = race.event.temperature;
    const core::Settings units = timing::raceUnits(settings, race);
    for (int s = 0; s < core::kSlotCount; ++s) {
        ReportSlot& slot = in.slots[s];
        const core::CarSlot& car = race.car[s];
        slot.address = car.Address;
        if (slot.address.isEmpty()) {
            continue;
        }
        slot.title = core::carCaption(s);
        slot.carName = car.CarName;
        for (const core::Lap& lap : car.laps) {
            slot.laps.append({timing::lapTimeText(lap, units), lap.driver, lap.remarks, lap.log});
        }
        for (const core::DriverFigures& d : car.drivers) {
            const link::DriverFigureTexts texts = link::driverFigureTexts(d, settings);
            slot.drivers.append({d.name, texts.best, texts.average});
        }
    }
    return in;
}

bool writeResults(const core::RaceState& race, const core::Settings& settings,
                  const QString& fileName, QString* why) {
    const bool csv = QFileInfo(fileName).suffix().compare(u"csv", Qt::CaseInsensitive) == 0;
    const QByteArray bytes =
        csv ? csvBytes(race, settings) : reportBytes(reportInputs(race, settings));
    return platform::writeWholeFile(fileName, bytes, why);
}

}  // namespace kaltero::race
