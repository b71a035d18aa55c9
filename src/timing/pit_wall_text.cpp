#include "timing/pit_wall_text.h"

#include "core/number_text.h"
#include "timing/time_text.h"

#include <QStringList>
#include <limits>

namespace kaltero::timing {

using namespace Qt::StringLiterals;

QString wallTime(qint64 ticks, qint32 TicksPerSecond) {
    const qint64 perSecond = std::max(TicksPerSecond, 1);
    const qint64 seconds = (ticks < 0 ? -ticks : ticks) / perSecond;
    const QString sign = ticks < 0 && seconds > 0 ? u"-"_s : QString();
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (seconds < 3600) {
        return sign + QString::number(seconds / 60) + u':' + two(seconds % 60);
    }
    return sign + FormatHMS(seconds);
}

QString stintText(const CarWall& wall, qint32 TicksPerSecond) {
    if (!wall.stint) {
        return {};
    }
    QString text = u"スティント "_s + wallTime(wall.stint->ticks, TicksPerSecond);
    if (wall.stint->unknownTime) {
        text += u"+不明"_s;  // the console was down in it: the time is what is known
    }
    if (wall.stintLeftTicks) {
        const qint64 left = *wall.stintLeftTicks;
        text += left >= 0 ? u" 残り "_s + wallTime(left, TicksPerSecond)
                          : u" 超過 "_s + wallTime(-left, TicksPerSecond);
    }
    return text;
}

QString stopsText(const CarWall& wall, qint32 TicksPerSecond, qint32 MinPitStops) {
    if (wall.inPit) {
        QString text = u"ピット中 "_s + wallTime(wall.inPit->ticks, TicksPerSecond);
        if (wall.inPit->minTicks > 0) {
            text += u" / 最小 "_s + wallTime(wall.inPit->minTicks, TicksPerSecond);
        }
        return text;
    }
    QString text = u"ピット "_s + QString::number(wall.pitStops);
    if (MinPitStops > 0) {
        text += u'/' + QString::number(MinPitStops);
    }
    text += u"回"_s;
    if (wall.lastStopTicks) {
        text += u' ' + wallTime(*wall.lastStopTicks, TicksPerSecond);
    }
    if (wall.sinceLastStopTicks) {
        text += u' ' + wallTime(*wall.sinceLastStopTicks, TicksPerSecond) + u"前"_s;
    }
    if (wall.stopsOutOfReach) {
        text += u" 最少ピット未達"_s;
    }
    if (wall.latestPitLap) {
        text += u' ' + latestPitText(wall);
    }
    return text;
}

QString latestPitText(const CarWall& wall) {
    return wall.latestPitLap ? u"最遅ピット "_s + QString::number(*wall.latestPitLap) + u"周目"_s
                             : QString();
}

QString fuelLapsText(const std::optional<FuelLaps>& fuel) {
    if (!fuel) {
        return {};
    }
    return u"あと "_s + QString::number(fuel->laps) + u" 周 "_s + QString::number(fuel->inByLap) +
           u"周目まで"_s;
}

std::optional<qint64> raceTimeSeconds(const QString& text) {
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() > 3) {
        return std::nullopt;
    }
    qint64 seconds = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        // The first field may be of any size; those after a colon are minutes or seconds.
        const auto n = core::wholeNumber(parts[i], i == 0 ? 99999 : 59);
        if (!n || (i > 0 && parts[i].trimmed().size() != 2)) {
            return std::nullopt;
        }
        seconds = seconds * 60 + *n;
    }
    return seconds;
}

std::optional<core::PitStop> typedStop(const QString& lap, const QString& start,
                                       const QString& seconds, qint32 TicksPerSecond) {
    const auto lapNo = core::wholeNumber(lap);
    const auto from = raceTimeSeconds(start);
    const auto length = core::wholeNumber(seconds);
    if (!lapNo || *lapNo < 1 || !from || !length) {
        return std::nullopt;
    }
    const qint64 startTick = *from * TicksPerSecond;
    const qint64 endTick = startTick + qint64(*length) * TicksPerSecond;
    if (endTick > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return core::PitStop{*lapNo, qint32(startTick), qint32(endTick), true};
}

std::optional<QString> stopRefusal(const core::CarSlot& car, const core::PitStop& stop,
                                   std::optional<qsizetype> replacing, qint32 now,
                                   qint32 TicksPerSecond) {
    const qint32 lapNow = car.LapCnt + (car.LapPending ? 0 : 1);
    if (stop.lap > lapNow) {
        return u"周は "_s + QString::number(lapNow) + u" 周目までで入力してください。"_s;
    }
    if (stop.endTick <= stop.startTick) {
        return u"時間は１秒以上で入力してください。"_s;
    }
    if (stop.endTick > now) {
        return u"ピットストップが現在より後に終わっています。開始と時間を確かめてください。"_s;
    }
    const qint32 perSecond = std::max(TicksPerSecond, 1);
    for (qsizetype i = 0; i < car.pitStops.size(); ++i) {
        const core::PitStop& other = car.pitStops[i];
        if (i != replacing && stop.startTick < other.endTick && other.startTick < stop.endTick) {
            return QString::number(other.lap) + u"周目のピットストップ ("_s +
                   FormatHMS(other.startTick / perSecond) + u" から "_s +
                   wallTime(other.length(), TicksPerSecond) + u") と重なっています。"_s;
        }
    }
    return std::nullopt;
}

}  // namespace kaltero::timing
