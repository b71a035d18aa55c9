#include "race/csv_report.h"

#include "timing/time_text.h"

namespace kaltero::race {

using namespace Qt::StringLiterals;

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') &&
        !text.contains(u'\n')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

namespace {

// The time the car stood in the pit during the lap (a lap may hold more than one stop).
QString pitStopMs(const core::CarSlot& car, qint32 lapNo, const core::Settings& settings) {
    qint64 ticks = 0;
    bool any = false;
    for (const core::PitStop& stop : car.pitStops) {
        if (stop.lap == lapNo) {
            ticks += stop.length();
            any = true;
        }
    }
    return any ? QString::number(ticks * settings.MsPerTick) : QString();
}

}  // namespace

QStringList csvLines(const core::RaceState& race, const core::Settings& console) {
    const core::Settings settings = timing::raceUnits(console, race);
    QStringList lines{
        u"車番,車輌名,周回,ラップ(ms),ラップタイム,ドライバ,備考,メッセージ,周回終了時刻,"
        u"ピット停止(ms)"_s};
    for (int s = 0; s < core::kSlotCount; ++s) {
        const core::CarSlot& car = race.car[s];
        if (!car.TakesPart) {
            continue;
        }
        for (qsizetype i = 0; i < car.laps.size(); ++i) {
            const core::Lap& lap = car.laps[i];
            const QString ms =
                lap.timed ? QString::number(qint64(lap.ticks) * settings.MsPerTick) : QString();
            const QString end =
                lap.timed && lap.endTick > 0
                    ? race.RaceStartTime.addMSecs(qint64(lap.endTick) * settings.MsPerTick)
                          .toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s)
                    : QString();
            QStringList fields{QString::number(s + 1),
                               car.CarName,
                               QString::number(i + 1),
                               ms,
                               timing::lapTimeText(lap, settings),
                               lap.driver,
                               lap.remarks,
                               lap.log,
                               end,
                               pitStopMs(car, qint32(i + 1), settings)};
            for (QString& f : fields) {
                f = csvField(f);
            }
            lines << fields.join(u',');
        }
    }
    return lines;
}

QByteArray csvBytes(const core::RaceState& race, const core::Settings& settings) {
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString& line : csvLines(race, settings)) {
        bytes += line.toUtf8() + "\r\n";
    }
    return bytes;
}

}  // namespace kaltero::race
