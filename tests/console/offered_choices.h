#pragma once

#include "console/master_choices.h"

namespace kaltero::testing {

// Gives a choice list records of its own, as a master file would.
inline void offerCars(widgets::ChoiceList* list, const QList<masterdata::CarRecord>& cars) {
    auto* offered = new console::CarChoices(&console::carChoiceCaption, list);
    offered->setRecords(cars);
    list->setChoices(offered);
}

inline void offerCourses(widgets::ChoiceList* list,
                         const QList<masterdata::CourseRecord>& courses) {
    auto* offered = new console::CourseChoices(&masterdata::courseCaption, list);
    offered->setRecords(courses);
    list->setChoices(offered);
}

inline void offerDrivers(widgets::ChoiceList* list, const QStringList& names) {
    QList<masterdata::DriverRecord> drivers;
    for (const QString& name : names) {
        drivers.append({name, {}});
    }
    auto* offered = new console::DriverChoices(&console::driverChoiceCaption, list);
    offered->setRecords(drivers);
    list->setChoices(offered);
}

}  // namespace kaltero::testing
