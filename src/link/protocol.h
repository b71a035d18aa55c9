#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

#include "core/ports.h"
#include "core/slot_state.h"

namespace kaltero::core {
struct Settings;
}

namespace kaltero::link {

// The datagrams exchanged with the car PCs: ports, car reports, replies, lap records and the
// address check. Plain rules, no sockets; all lengths count characters after decoding from
// code page 932.

using core::kSlotCount;

using core::carPort;
using core::consolePort;
using core::kCheckCarPort;
using core::kCheckConsolePort;

// ---- car report ---------------------------------------------------------------------------

// Characters 1-3 carry the car's lap number, the rest is the car's free message.
struct CarReport {
    qint32 CarLapNo = 0;
    QString message;
};

// "001ピット" -> {1, "ピット"}; "000" -> {0, ""}; "ab1x" -> {0, "x"}.
// A report shorter than three characters carries no message; its lap number is read from
// what is there: "" -> {0, ""}, "7" -> {7, ""}. A lap number beyond 32 bits ("9e9")
// saturates instead of failing.
CarReport parseReport(QStringView RcvData);

// ---- message part of the reply --------------------------------------------------------------

// A reminder as the reply carries it: " [ text ] ".
QString reminderPiece(const QString& text);

// The pit-in reminder piece for the countdown of one car. The tests are string comparisons,
// not numeric ones: "3", "2", "1" pick their reminder, any text at or before "0" in
// character-code order ("", "0", "-1") picks AutoMess0, any other text ("4", "03") one blank.
// Unticked -> empty.
QString chooseAutoMsg(bool countdownTicked, QStringView ZanRunCnt, const core::Settings& settings);

// Everything sent to one car: the typed message in full width, the reminder, the message
// to all cars. "pit in 3", "", "" -> "ｐｉｔ　ｉｎ　３".
QString buildSendMsg(QStringView outMess, QStringView AutoMsg, QStringView AllCarMsg);

// ---- lap record ---------------------------------------------------------------------------

inline constexpr int kLapRecordLength = 59;

// What one lap record is made of. Times are ticks; MsPerTick turns them into milliseconds.
struct LapRecordInput {
    qint32 LapCnt = 0;
    qint32 LastLapTicks = 0;
    qint32 DrvBestLapTicks = 0;
    qint32 DrvTotalTicks = 0;
    qint32 DrvLapCnt = 0;
    qint32 MsPerTick = 1;
    // Read once, so the date and the time of day never straddle midnight.
    QDateTime now;
    bool EndTimeSet = false;
    QDateTime RaceEndTime;
};

// The lap number as it travels in three digits: laps above 999 wrap like an odometer
// (1000 -> 0, 1234 -> 234) so that consecutive laps stay distinguishable; negative -> 0.
qint32 wireLapNumber(qint32 LapCnt);

// The 59-character lap record: lap "000", lap ms, driver's best ms, driver's average ms
// (total / count × MsPerTick in double precision, halves away from zero), "yyyy/MM/dd",
// "HH:mm:ss" now, race end "HH:mm:ss" or "00:00:00" without an end time.
//   lap 3, 83456 ticks, best 82000, total 250000 over 3 laps, 1 ms per tick, now
//   2026-04-03 09:15:02, no end time ->
//   "003" "0000083456" "0000082000" "0000083333" "2026/04/03" "09:15:02" "00:00:00"
// Always exactly 59 characters: a millisecond figure that is negative or beyond 32 bits is
// held at 0 or 2147483647, and a driver lap count of 0 or less counts as 1.
QString buildLapRecord(const LapRecordInput& input);

// ---- reply --------------------------------------------------------------------------------

// The largest reply sent, in code page 932 bytes. One UDP datagram could carry 65,507, but
// a car PC's receive buffer may be far smaller; no real message comes near 8 KiB.
inline constexpr int kMaxReplyBytes = 8192;

// SendMsg cut so that LapFlag & LapRecord & SendMsg fits kMaxReplyBytes once encoded; it is
// returned unchanged when it already fits. The cut falls between characters.
QString fitSendMsg(QStringView LapFlag, QStringView LapRecord, QStringView SendMsg);

// LapFlag & LapRecord & SendMsg, the message part cut by fitSendMsg.
//   "N", "", "" -> "N"
QString buildReply(QStringView LapFlag, QStringView LapRecord, QStringView SendMsg);

// The fields of a lap record as a car PC reads them.
struct LapRecordFields {
    qint32 lap = 0;
    qint64 lapMs = 0;
    qint64 bestMs = 0;
    qint64 averageMs = 0;
    QDate date;
    QTime time;
    // 00:00:00 when the console has no race end time.
    QTime endTime;
};

struct ParsedReply {
    bool ok = false;
    // Why the reply is malformed; empty when ok.
    QString error;
    QChar flag;
    std::optional<LapRecordFields> record;
    QString message;
};

// Reads a reply the way a car PC does, checking the record's form strictly: flag "N" or "C";
// when the character after the flag is an ASCII digit a full 59-character record follows
// (digits, "/" and ":" in place, a real date and times of day), otherwise there is no
// record and the rest is the message ("N" alone is valid before the first lap; "C" always
// comes with a record).
//   "N" -> ok, no record, ""; "N003…00:00:00ｐｉｔ" -> ok, lap 3, "ｐｉｔ";
//   "X", "N12", "N003…2026-04-03…" -> not ok
ParsedReply parseReply(QStringView reply);

// ---- address check ------------------------------------------------------------------------

// True for four dot-separated decimal numbers 0..255 of one to three digits: "10.0.0.2".
bool isDottedIPv4(QStringView text);

// The answer to an address-check request: the caption of the first slot whose address is
// exactly the request ("１号車" .. "５号車"), else "未登録". An empty request or one that is
// not a dotted IPv4 address gets no answer at all.
std::optional<QString> addressCheckAnswer(QStringView request,
                                          const std::array<QString, kSlotCount>& slotAddresses);

}  // namespace kaltero::link
