#pragma once

#include "masterdata/car_file.h"
#include "masterdata/course_file.h"
#include "masterdata/drivers_file.h"
#include "masterdata/field_rules.h"
#include "widgets/choice_list.h"

#include <QAbstractListModel>

Q_DECLARE_METATYPE(kaltero::masterdata::CarRecord)
Q_DECLARE_METATYPE(kaltero::masterdata::CourseRecord)
Q_DECLARE_METATYPE(kaltero::masterdata::DriverRecord)

namespace kaltero::console {

// The records of a master file a choice list offers: a row per record, shown by its caption, the
// whole record under ChoiceList::kRecordRole. Filled in one reset, however long the file.
template <typename Record>
class RecordChoices final : public QAbstractListModel {
public:
    using Caption = QString (*)(const Record&);

    RecordChoices(Caption caption, QObject* parent)
        : QAbstractListModel(parent), caption_(caption) {}

    void setRecords(const QList<Record>& records) {
        beginResetModel();
        records_ = records;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(records_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= records_.size()) {
            return {};
        }
        const Record& record = records_[index.row()];
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return caption_(record);
            case widgets::ChoiceList::kRecordRole:
                return QVariant::fromValue(record);
            default:
                return {};
        }
    }

private:
    Caption caption_;
    QList<Record> records_;
};

// How the lists show a car, a course and a driver.
inline QString carChoiceCaption(const masterdata::CarRecord& car) {
    return masterdata::shownName(car.name);
}
inline QString driverChoiceCaption(const masterdata::DriverRecord& driver) {
    return masterdata::shownName(driver.name);
}

using CarChoices = RecordChoices<masterdata::CarRecord>;
using CourseChoices = RecordChoices<masterdata::CourseRecord>;
using DriverChoices = RecordChoices<masterdata::DriverRecord>;

}  // namespace kaltero::console
