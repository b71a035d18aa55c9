#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kaltero::carsim {

// How the simulated cars drive.
struct CarSimOptions {
    // Car numbers 1..5, ascending, no repeats.
    QList<int> cars{1};
    int laps = 3;
    // How long a car stays in range of the pit each pass, and how long it is silent between
    // passes. The silence must outlast the console's no-communication time to make a lap.
    int inRangeMs = 5000;
    int silenceMs = 12000;
    // Every pitEveryLaps-th lap ends in the pit (0: never): the car stays in range for
    // pitStopMs instead of inRangeMs, reporting all the while, then drives on. A stop is never
    // made at the start nor after the last lap.
    int pitEveryLaps = 0;
    int pitStopMs = 30000;
    // The pit's Wi-Fi fails the car: a hole of this many milliseconds in the middle of every
    // stop, the car unheard though still standing there (0: none); and one pass, the n-th, on
    // which no report gets through (0: none).
    int stopHoleMs = 0;
    int missedPass = 0;
    // Time between two reports while in range, and the most each interval is varied by.
    int intervalMs = 500;
    int jitterMs = 0;
    // Free text appended to every report.
    QString message;
    // Tell every record a car receives and every return of a car after a silence.
    bool records = false;
    QHostAddress console{QHostAddress::LocalHost};
    // 0: long enough for every lap, with one pass to spare.
    int timeoutMs = 0;

    // Address check instead of driving: which slot holds ownAddress (empty: the address
    // this machine uses to reach the console).
    bool check = false;
    QString ownAddress;

    // timeoutMs, or the time the laps take (pit stops included) plus one spare pass and five
    // seconds.
    int effectiveTimeoutMs() const;
};

// A list of car numbers: "1,2,3" -> {1,2,3}; "1-5" -> {1..5}; "4,2-3,2" -> {2,3,4}.
// Anything outside 1..5, an empty item or a backward range ("3-1") -> nothing.
std::optional<QList<int>> parseCarList(QStringView text);

struct CommandLine {
    std::optional<CarSimOptions> options;
    // Set when the options cannot be used; says why.
    QString error;
    // Set when --help was asked for: the whole help text.
    QString help;
};

// Reads carsim's command line (arguments[0] is the program).
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace kaltero::carsim
