#include "sample_data.h"

#include "core/relay_settings.h"

#include "core/settings.h"
#include "masterdata/car_file.h"
#include "masterdata/course_file.h"
#include "masterdata/drivers_file.h"

#include <QDir>
#include <QFile>

#include "platform/profile_file.h"

namespace kaltero::showcase {

namespace {

using Rows = QList<QStringList>;
using Writer = bool (*)(const QString&, const Rows&);

bool writeIfMissing(const QString& path, Writer write, const Rows& rows) {
    return QFile::exists(path) || write(path, rows);
}

}  // namespace

bool writeSampleMasterData(const QString& folder) {
    const QDir dir(folder);
    const Rows cars = {
        {QStringLiteral("赤 GT-R"), QStringLiteral("チーム赤"), QStringLiteral("100"),
         QStringLiteral("2.5")},
        {QStringLiteral("青 NSX"), QStringLiteral("チーム青"), QStringLiteral("90"),
         QStringLiteral("2.8")},
        {QStringLiteral("白 Supra"), QStringLiteral("チーム白"), QStringLiteral("95"),
         QStringLiteral("2.6")},
        {QStringLiteral("黒 RX-7"), QStringLiteral("チーム黒"), QStringLiteral("80"),
         QStringLiteral("3.1")},
        {QStringLiteral("緑 Z"), QStringLiteral("チーム緑"), QStringLiteral("100"),
         QStringLiteral("2.4")},
    };
    const Rows courses = {
        {QStringLiteral("鈴鹿サーキット"), QStringLiteral("5807")},
        {QStringLiteral("富士スピードウェイ"), QStringLiteral("4563")},
    };
    const Rows drivers = {
        {QStringLiteral("佐藤"), QStringLiteral("全車")},
        {QStringLiteral("鈴木"), QStringLiteral("全車")},
        {QStringLiteral("高橋"), QStringLiteral("１号車")},
        {QStringLiteral("田中"), QStringLiteral("２号車")},
        {QStringLiteral("伊藤"), QStringLiteral("３号車")},
        {QStringLiteral("渡辺"), QStringLiteral("４号車")},
    };
    return writeIfMissing(dir.filePath(QStringLiteral("Car.ini")), masterdata::writeCarFile,
                          cars) &&
           writeIfMissing(dir.filePath(QStringLiteral("Course.ini")), masterdata::writeCourseFile,
                          courses) &&
           writeIfMissing(dir.filePath(QStringLiteral("Drivers.ini")), masterdata::writeDriversFile,
                          drivers);
}

bool writeSampleRules(const QString& folder) {
    using namespace core::ini;
    const QString file = QDir(folder).filePath(QStringLiteral("Kaltero.ini"));
    auto profile = platform::Profile::read(file);
    if (!profile) {
        return false;
    }
    if (profile->value(kRulesSection, kMaxStintMinutes)) {
        return true;
    }
    const QList<std::pair<QString, int>> rules = {{kMaxStintMinutes, 10},
                                                  {kMaxDrivingMinutes, 40},
                                                  {kMinDrivingMinutes, 5},
                                                  {kMinPitStopSeconds, 30},
                                                  {kMinPitStops, 3}};
    for (const auto& [key, value] : rules) {
        profile->setValue(kRulesSection, key, QString::number(value));
    }
    return profile->write(file);
}

bool writeSampleRelay(const QString& folder, const QString& broker, const QString& name,
                      const QString& follow) {
    using namespace core::ini;
    const QString file = QDir(folder).filePath(QStringLiteral("Kaltero.ini"));
    auto profile = platform::Profile::read(file);
    if (!profile) {
        return false;
    }
    profile->setValue(kRelaySection, kBroker, broker);
    profile->setValue(kRelaySection, kConsoleName, name);
    profile->setValue(kRelaySection, kFollow, follow);
    if (!follow.isEmpty()) {
        profile->setValue(kLiveSection, kLiveOn, QStringLiteral("0"));
    }
    return profile->write(file);
}

}  // namespace kaltero::showcase
