#include "race/results_report.h"

#include "platform/cp932.h"

namespace kaltero::race {

using namespace Qt::StringLiterals;

namespace {

const QString kRule(40, u'-');

// A lap row whose time cell holds nothing but blanks has not been recorded yet.
bool hasTime(const ReportLap& lap) {
    return !lap.time.trimmed().isEmpty();
}

}  // namespace

QStringList reportLines(const ReportInputs& in) {
    QStringList lines{
        u"イベント名:"_s + in.eventName,
        u"日付:"_s + in.date,
        u"天気:"_s + in.weather,
        u"気温:"_s + in.temperature,
        QString(),
    };
    for (const ReportSlot& slot : in.slots) {
        if (slot.address.isEmpty()) {
            continue;
        }
        lines << kRule << slot.title << u"車輌名:"_s + slot.carName << kRule;
        for (qsizetype r = 0; r < slot.laps.size(); ++r) {
            const ReportLap& lap = slot.laps[r];
            if (!hasTime(lap)) {
                continue;  // the lap numbers keep counting over the gap
            }
            lines << QString::number(r + 1) + u',' + lap.time + u',' + lap.driver + u',' +
                         lap.remarks + u',' + lap.messageLog;
        }
        lines << kRule << u"個人集計"_s << kRule;
        for (const ReportDriver& driver : slot.drivers) {
            lines << driver.name + u',' + driver.bestLap + u',' + driver.averageLap;
        }
    }
    return lines;
}

QByteArray reportBytes(const ReportInputs& in) {
    QByteArray bytes;
    for (const QString& line : reportLines(in)) {
        bytes += platform::encodeCp932(line);
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace kaltero::race
