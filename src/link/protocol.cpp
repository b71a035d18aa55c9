#include "link/protocol.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/full_width.h"
#include "core/number_text.h"
#include "core/settings.h"
#include "platform/cp932.h"

namespace kaltero::link {

namespace {

constexpr qint64 kInt32Max = std::numeric_limits<qint32>::max();

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// value as exactly width digits, held inside what the field can show: (-5, 3) -> "000",
// (1234, 3) -> "999", (42, 4) -> "0042".
QString fixedDigits(qint64 value, int width) {
    qint64 largest = 1;
    for (int i = 0; i < width; ++i) {
        largest *= 10;
    }
    value = std::clamp<qint64>(value, 0, largest - 1);
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// A millisecond figure of the record: a signed 32-bit value that a car PC can read back.
QString msField(qint64 ms) {
    return fixedDigits(std::clamp<qint64>(ms, 0, kInt32Max), 10);
}

QString timeField(const QTime& time) {
    if (!time.isValid()) {
        return QStringLiteral("00:00:00");
    }
    return fixedDigits(time.hour(), 2) + u':' + fixedDigits(time.minute(), 2) + u':' +
           fixedDigits(time.second(), 2);
}

QString dateField(const QDate& date) {
    if (!date.isValid()) {
        return QStringLiteral("0000/00/00");
    }
    return fixedDigits(date.year(), 4) + u'/' + fixedDigits(date.month(), 2) + u'/' +
           fixedDigits(date.day(), 2);
}

int readDigits(QStringView text) {
    int value = 0;
    for (QChar c : text) {
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

qint64 readDigits64(QStringView text) {
    qint64 value = 0;
    for (QChar c : text) {
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// The form of a lap record: 'd' is a digit, anything else stands for itself.
constexpr char16_t kRecordMask[] =
    u"ddd"
    u"dddddddddd"
    u"dddddddddd"
    u"dddddddddd"
    u"dddd/dd/dd"
    u"dd:dd:dd"
    u"dd:dd:dd";
static_assert(std::size(kRecordMask) - 1 == kLapRecordLength);

// Empty when record (exactly 59 characters) has the form of a lap record, else why not.
QString checkRecordForm(QStringView record) {
    for (int i = 0; i < kLapRecordLength; ++i) {
        const QChar expected(kRecordMask[i]);
        const QChar actual = record[i];
        const bool fits = expected == u'd' ? isAsciiDigit(actual) : actual == expected;
        if (!fits) {
            const QString want = expected == u'd' ? QStringLiteral("a digit")
                                                  : QString(u"\"" + QString(expected) + u'"');
            return QStringLiteral("character %1 of the lap record is \"%2\", expected %3")
                .arg(i + 1)
                .arg(actual)
                .arg(want);
        }
    }
    return {};
}

}  // namespace

CarReport parseReport(QStringView RcvData) {
    const qsizetype lapChars = std::min<qsizetype>(3, RcvData.size());
    const double number = core::leadingNumber(RcvData.first(lapChars));
    CarReport report;
    if (const auto rounded = core::roundToInt32(number)) {
        report.CarLapNo = *rounded;
    } else {
        report.CarLapNo =
            number < 0 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max();
    }
    report.message = RcvData.sliced(lapChars).toString();
    return report;
}

QString reminderPiece(const QString& text) {
    return u" [ " + text + u" ] ";
}

QString chooseAutoMsg(bool countdownTicked, QStringView ZanRunCnt, const core::Settings& settings) {
    if (!countdownTicked) {
        return {};
    }
    const auto reminder = reminderPiece;
    if (ZanRunCnt == u"3") {
        return reminder(settings.AutoMess3);
    }
    if (ZanRunCnt == u"2") {
        return reminder(settings.AutoMess2);
    }
    if (ZanRunCnt == u"1") {
        return reminder(settings.AutoMess1);
    }
    if (ZanRunCnt.compare(u"0", Qt::CaseSensitive) <= 0) {
        return reminder(settings.AutoMess0);
    }
    return QStringLiteral(" ");
}

QString buildSendMsg(QStringView outMess, QStringView AutoMsg, QStringView AllCarMsg) {
    QString message = core::toFullWidth(outMess);
    message.append(AutoMsg);
    message.append(AllCarMsg);
    return message;
}

qint32 wireLapNumber(qint32 LapCnt) {
    return LapCnt < 0 ? 0 : LapCnt % 1000;
}

QString buildLapRecord(const LapRecordInput& in) {
    const qint64 msPerTick = in.MsPerTick;
    const qint32 drvLapCnt = in.DrvLapCnt > 0 ? in.DrvLapCnt : 1;
    const double averageMs = std::round(static_cast<double>(in.DrvTotalTicks) / drvLapCnt *
                                        static_cast<double>(msPerTick));
    const qint64 average = std::isfinite(averageMs)
                               ? static_cast<qint64>(std::clamp(averageMs, 0.0, double(kInt32Max)))
                               : 0;

    QString record;
    record.reserve(kLapRecordLength);
    record += fixedDigits(wireLapNumber(in.LapCnt), 3);
    record += msField(qint64{in.LastLapTicks} * msPerTick);
    record += msField(qint64{in.DrvBestLapTicks} * msPerTick);
    record += msField(average);
    record += dateField(in.now.date());
    record += timeField(in.now.time());
    record += in.EndTimeSet ? timeField(in.RaceEndTime.time()) : QStringLiteral("00:00:00");
    return record;
}

QString fitSendMsg(QStringView LapFlag, QStringView LapRecord, QStringView SendMsg) {
    QString head = LapFlag.toString();
    head.append(LapRecord);
    const qsizetype budget = kMaxReplyBytes - platform::encodeCp932(head).size();
    if (budget <= 0) {
        return {};
    }
    // No character takes more than two bytes.
    if (SendMsg.size() * 2 <= budget || platform::encodeCp932(SendMsg).size() <= budget) {
        return SendMsg.toString();
    }
    // The longest prefix that fits; encoded length grows with the prefix.
    qsizetype fits = 0;
    qsizetype tooLong = SendMsg.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = fits + (tooLong - fits) / 2;
        if (platform::encodeCp932(SendMsg.first(middle)).size() <= budget) {
            fits = middle;
        } else {
            tooLong = middle;
        }
    }
    if (fits > 0 && SendMsg[fits - 1].isHighSurrogate()) {
        --fits;
    }
    return SendMsg.first(fits).toString();
}

QString buildReply(QStringView LapFlag, QStringView LapRecord, QStringView SendMsg) {
    QString reply = LapFlag.toString();
    reply.append(LapRecord);
    reply.append(fitSendMsg(LapFlag, LapRecord, SendMsg));
    return reply;
}

ParsedReply parseReply(QStringView reply) {
    ParsedReply parsed;
    const auto fail = [&parsed](const QString& why) {
        parsed.ok = false;
        parsed.error = why;
        parsed.record.reset();
        parsed.message.clear();
        return parsed;
    };
    if (reply.isEmpty()) {
        return fail(QStringLiteral("empty reply: no flag"));
    }
    parsed.flag = reply[0];
    if (parsed.flag != u'N' && parsed.flag != u'C') {
        return fail(QStringLiteral("flag is \"%1\", expected \"N\" or \"C\"").arg(parsed.flag));
    }
    const QStringView rest = reply.sliced(1);
    if (rest.isEmpty() || !isAsciiDigit(rest[0])) {
        if (parsed.flag == u'C') {
            return fail(QStringLiteral("flag \"C\" without a lap record"));
        }
        parsed.ok = true;
        parsed.message = rest.toString();
        return parsed;
    }
    if (rest.size() < kLapRecordLength) {
        return fail(QStringLiteral("lap record cut short: %1 of %2 characters")
                        .arg(rest.size())
                        .arg(kLapRecordLength));
    }
    const QStringView record = rest.first(kLapRecordLength);
    if (const QString why = checkRecordForm(record); !why.isEmpty()) {
        return fail(why);
    }
    LapRecordFields fields;
    fields.lap = readDigits(record.sliced(0, 3));
    fields.lapMs = readDigits64(record.sliced(3, 10));
    fields.bestMs = readDigits64(record.sliced(13, 10));
    fields.averageMs = readDigits64(record.sliced(23, 10));
    fields.date = QDate(readDigits(record.sliced(33, 4)), readDigits(record.sliced(38, 2)),
                        readDigits(record.sliced(41, 2)));
    if (!fields.date.isValid()) {
        return fail(u"no such date in the lap record: " + record.sliced(33, 10).toString());
    }
    const auto readTime = [](QStringView text) {
        return QTime(readDigits(text.sliced(0, 2)), readDigits(text.sliced(3, 2)),
                     readDigits(text.sliced(6, 2)));
    };
    fields.time = readTime(record.sliced(43, 8));
    fields.endTime = readTime(record.sliced(51, 8));
    if (!fields.time.isValid()) {
        return fail(u"no such time of day in the lap record: " + record.sliced(43, 8).toString());
    }
    if (!fields.endTime.isValid()) {
        return fail(u"no such race end time in the lap record: " + record.sliced(51, 8).toString());
    }
    parsed.ok = true;
    parsed.record = fields;
    parsed.message = rest.sliced(kLapRecordLength).toString();
    return parsed;
}

bool isDottedIPv4(QStringView text) {
    int parts = 0;
    qsizetype start = 0;
    while (true) {
        qsizetype end = text.indexOf(u'.', start);
        if (end < 0) {
            end = text.size();
        }
        const QStringView part = text.sliced(start, end - start);
        if (part.isEmpty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), isAsciiDigit)) {
            return false;
        }
        if (readDigits(part) > 255) {
            return false;
        }
        ++parts;
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    return parts == 4;
}

std::optional<QString> addressCheckAnswer(QStringView request,
                                          const std::array<QString, kSlotCount>& slotAddresses) {
    if (!isDottedIPv4(request)) {
        return std::nullopt;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slotAddresses[slot] == request) {
            return core::carCaption(slot);
        }
    }
    return QStringLiteral("未登録");
}

}  // namespace kaltero::link
