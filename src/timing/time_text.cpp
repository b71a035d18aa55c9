#include "timing/time_text.h"

#include <limits>

#include "timing/numeric_text.h"

namespace kaltero::timing {

namespace {

// A field with at least `digits` digits; a negative field gets "-" before its zero-filled
// digits: (-1, 2) -> "-01", (-500, 3) -> "-500", (7, 2) -> "07".
QString field(qint64 value, int digits) {
    const QString magnitude =
        QStringLiteral("%1").arg(value < 0 ? -value : value, digits, 10, QLatin1Char('0'));
    return value < 0 ? u'-' + magnitude : magnitude;
}

// Tick lengths other than positive make no sense; a zero here must not bring down the console.
qint32 ticksPerSecond(const core::Settings& settings) {
    return settings.TicksPerSecond > 0 ? settings.TicksPerSecond : 1000;
}

int fractionDigits(const core::Settings& settings) {
    const int digits = int(settings.FractionFormat.count(u'0'));
    return digits > 0 ? digits : 1;
}

QString hms(qint64 seconds) {
    const qint64 totalMinutes = seconds / 60;
    const qint64 hours = totalMinutes / 60;
    return QString::number(hours) + u':' + field(totalMinutes - hours * 60, 2) + u':' +
           field(seconds - totalMinutes * 60, 2);
}

}  // namespace

QString FormatLapTime(qint32 ticks, const core::Settings& settings) {
    // Truncating integer division, in 64 bits so that no 32-bit input can overflow.
    const qint64 t = ticks;
    const qint64 perSecond = ticksPerSecond(settings);
    const qint64 seconds = t / perSecond;
    const qint64 minutes = seconds / 60;
    return QString::number(minutes) + u'\'' + field(seconds - minutes * 60, 2) + u'"' +
           field(t % perSecond, fractionDigits(settings));
}

core::Settings raceUnits(const core::Settings& settings, const core::RaceState& race) {
    core::Settings units = settings;
    if (race.TicksPerSecond > 0 && race.TicksPerSecond != settings.TicksPerSecond) {
        units.timeAt(race.TicksPerSecond);
    }
    return units;
}

QString lapTimeText(const core::Lap& lap, const core::Settings& units) {
    if (lap.edited && !lap.editText.isEmpty()) {
        return lap.editText;
    }
    return lap.timed ? FormatLapTime(lap.ticks, units) : QString();
}

QString FormatHMS(qint64 seconds) {
    return hms(seconds);
}

std::optional<double> ParseLapTime(QStringView text, const core::Settings& settings) {
    std::optional<QStringView> minutesPiece;
    std::optional<QStringView> secondsPiece;
    qsizetype pieceStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\'') {
            minutesPiece = text.sliced(pieceStart, i - pieceStart);
            pieceStart = i + 1;
        } else if (text[i] == u'"') {
            secondsPiece = text.sliced(pieceStart, i - pieceStart);
            pieceStart = i + 1;
        }
    }
    if (!minutesPiece || !secondsPiece) {
        return std::nullopt;
    }
    const auto minutes = plainNumber(*minutesPiece);
    const auto seconds = plainNumber(*secondsPiece);
    const auto ticks = plainNumber(text.sliced(pieceStart));
    if (!minutes || !seconds || !ticks) {
        return std::nullopt;
    }
    return (*minutes * 60.0 + *seconds) * double(ticksPerSecond(settings)) + *ticks;
}

QString clockText(QTime time) {
    const int hour = time.hour();
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return (hour < 12 ? QStringLiteral("am ") : QStringLiteral("pm ")) + field(hour12, 2) + u':' +
           field(time.minute(), 2) + u':' + field(time.second(), 2);
}

QString startTimeText(const QDateTime& start) {
    const QTime time = start.time();
    return QStringLiteral("Start時間 ") + field(time.hour(), 2) + u':' + field(time.minute(), 2);
}

QString remainTimeText(qint64 secondsToEnd) {
    // qint64 holds the magnitude of every value a tick-based race can produce; the lowest
    // qint64 itself is the one value without a magnitude, so step it up by one second.
    const qint64 magnitude =
        secondsToEnd < 0 ? -(secondsToEnd == std::numeric_limits<qint64>::min() ? secondsToEnd + 1
                                                                                : secondsToEnd)
                         : secondsToEnd;
    return QStringLiteral("残り ") + hms(magnitude);
}

}  // namespace kaltero::timing
