#include "options.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kaltero::carsim {

namespace {

std::optional<int> carNumber(QStringView text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < 1 || number > 5) {
        return std::nullopt;
    }
    return number;
}

// "2.5" -> 2500; negative, not a number or above a day -> nothing.
std::optional<int> secondsToMs(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(seconds * 1000));
}

std::optional<int> wholeNumber(const QString& text, int least, int most) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < least || value > most) {
        return std::nullopt;
    }
    return value;
}

const QString kDescription = QStringLiteral(
    "Simulates the PCs in up to five cars talking to the Kaltero pit console, so a team can\n"
    "test its pit network and the console before a race.\n"
    "\n"
    "Each car sends reports to the console (car k to port 70k1, from port 70k2) while it is\n"
    "in range of the pit, then goes silent to drive a lap. The console counts a lap after\n"
    "its no-communication time (10 s unless changed in its settings) and times the lap when\n"
    "the car reports again. Every reply is checked; for every lap carsim prints the lap time\n"
    "the console sent, the interval carsim measured itself and the difference. Lap 1 is\n"
    "timed by the console from its Start, which carsim cannot see, so for lap 1 carsim shows\n"
    "the time since it started instead.\n"
    "\n"
    "Start timing on the console first, with the car PC address of each simulated car set\n"
    "to this machine's address.\n"
    "\n"
    "Exit status: 0 all laps completed and every reply well formed; 1 a reply was malformed;\n"
    "2 the laps were not completed in time (or, with --check, no answer came);\n"
    "3 the options or the network ports could not be used. With --check: 0 the address is\n"
    "registered, 1 the console answered that it is not registered.");

}  // namespace

int CarSimOptions::effectiveTimeoutMs() const {
    if (timeoutMs > 0) {
        return timeoutMs;
    }
    const qint64 pass = qint64{inRangeMs} + silenceMs;
    // Laps 1..laps-1 may end in a stop; the last one ends the run instead.
    const int stopsPerCar = pitEveryLaps > 0 ? (laps - 1) / pitEveryLaps : 0;
    const qint64 stopsExtra = qint64{stopsPerCar} * std::max(0, pitStopMs - inRangeMs);
    const qint64 total = inRangeMs + (qint64{laps} + 1) * pass + stopsExtra + 5000;
    return static_cast<int>(std::min<qint64>(total, std::numeric_limits<int>::max()));
}

std::optional<QList<int>> parseCarList(QStringView text) {
    QList<int> cars;
    for (QStringView item : text.split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            const auto car = carNumber(item);
            if (!car) {
                return std::nullopt;
            }
            cars.append(*car);
            continue;
        }
        const auto first = carNumber(item.first(dash));
        const auto last = carNumber(item.sliced(dash + 1));
        if (!first || !last || *first > *last) {
            return std::nullopt;
        }
        for (int car = *first; car <= *last; ++car) {
            cars.append(car);
        }
    }
    std::sort(cars.begin(), cars.end());
    cars.erase(std::unique(cars.begin(), cars.end()), cars.end());
    return cars;
}

namespace {

// carsim's options: name, value name (none for a switch), default value and help.
struct OptionText {
    const char* name;
    const char* valueName;
    const char* fallback;
    const char* help;
};

constexpr OptionText kOptions[] = {
    {"cars", "list", "1", "Cars to simulate, 1 to 5: \"1,2,3\" or \"1-5\". Default 1."},
    {"laps", "n", "3", "Laps each car drives. Default 3."},
    {"in-range", "seconds", "5", "Seconds a car stays in range of the pit each pass. Default 5."},
    {"silence", "seconds", "12",
     "Seconds a car is out of range between passes; must be longer than the console's "
     "no-communication time (default 10 s). Default 12."},
    {"pit-every", "n", "0",
     "Stop in the pit every this many laps: the car stays in range for --pit-stop, reporting "
     "all the while, then drives on. 0: never. Default 0."},
    {"pit-stop", "seconds", "30",
     "Seconds a pit stop lasts; must be longer than --in-range. Default 30."},
    {"stop-hole", "seconds", "0",
     "Seconds in the middle of every pit stop in which no report gets through (a Wi-Fi hole). "
     "Default 0."},
    {"miss-pass", "n", "0",
     "The pass (1 = the one that ends lap 1) on which no report gets through. 0: none. "
     "Default 0."},
    {"interval", "ms", "500", "Milliseconds between two reports while in range. Default 500."},
    {"jitter", "ms", "0",
     "Vary each interval at random by up to this many milliseconds, like a busy car PC. "
     "Default 0."},
    {"message", "text", nullptr, "Text each car sends to the pit after its lap number."},
    {"records", nullptr, nullptr,
     "Print \"record K <lap record>\" whenever car K receives a lap record other than the one "
     "it held, \"returns K\" just before car K's first report after a silence, and \"pit K lap "
     "L <ms>\" when car K leaves a pit stop made in lap L, with the time from its first report "
     "to its last."},
    {"console", "address", "127.0.0.1", "IPv4 address of the console. Default 127.0.0.1."},
    {"timeout", "seconds", nullptr,
     "Give up after this many seconds. Default: the time the laps take, plus one pass and 5 s."},
    {"check", nullptr, nullptr,
     "Only ask the console which car holds this PC's address (port 7001, answer on 7002), "
     "print the answer and exit. Works while the console is not timing."},
    {"address", "address", nullptr,
     "With --check: the address to ask about, exactly as entered on the console. Default: the "
     "address this PC uses to reach the console."},
};

QCommandLineOption option(const OptionText& text) {
    QCommandLineOption made(QString::fromLatin1(text.name), QString::fromUtf8(text.help));
    if (text.valueName != nullptr) {
        made.setValueName(QString::fromLatin1(text.valueName));
    }
    if (text.fallback != nullptr) {
        made.setDefaultValue(QString::fromLatin1(text.fallback));
    }
    return made;
}

// Reads one option's value into a field, or says why it cannot be used.
using Why = std::optional<QString>;

Why readLaps(const QCommandLineParser& p, CarSimOptions& o) {
    const auto carList = parseCarList(p.value(QStringLiteral("cars")));
    if (!carList) {
        return u"--cars: expected car numbers 1 to 5 such as \"1,2,3\" or \"1-5\", got \"" +
               p.value(QStringLiteral("cars")) + u'"';
    }
    o.cars = *carList;
    const auto lapCount = wholeNumber(p.value(QStringLiteral("laps")), 1, 999);
    if (!lapCount) {
        return QStringLiteral("--laps: expected a whole number from 1 to 999");
    }
    o.laps = *lapCount;
    const auto inRangeMs = secondsToMs(p.value(QStringLiteral("in-range")));
    if (!inRangeMs || *inRangeMs < 1) {
        return QStringLiteral("--in-range: expected a number of seconds above 0");
    }
    o.inRangeMs = *inRangeMs;
    const auto silenceMs = secondsToMs(p.value(QStringLiteral("silence")));
    if (!silenceMs || *silenceMs < 1) {
        return QStringLiteral("--silence: expected a number of seconds above 0");
    }
    o.silenceMs = *silenceMs;
    return std::nullopt;
}

Why readStops(const QCommandLineParser& p, CarSimOptions& o) {
    const auto pitEveryLaps = wholeNumber(p.value(QStringLiteral("pit-every")), 0, 999);
    if (!pitEveryLaps) {
        return QStringLiteral("--pit-every: expected a whole number from 0 to 999");
    }
    o.pitEveryLaps = *pitEveryLaps;
    const auto pitStopMs = secondsToMs(p.value(QStringLiteral("pit-stop")));
    if (!pitStopMs || *pitStopMs < 1) {
        return QStringLiteral("--pit-stop: expected a number of seconds above 0");
    }
    o.pitStopMs = *pitStopMs;
    if (o.pitEveryLaps > 0 && o.pitStopMs <= o.inRangeMs) {
        return QStringLiteral(
            "--pit-stop must be longer than --in-range, or a stop is no different from a pass");
    }
    const auto stopHoleMs = secondsToMs(p.value(QStringLiteral("stop-hole")));
    if (!stopHoleMs || *stopHoleMs < 0 || *stopHoleMs >= o.pitStopMs) {
        return QStringLiteral("--stop-hole: expected seconds from 0 to less than --pit-stop");
    }
    o.stopHoleMs = *stopHoleMs;
    const auto missedPass = wholeNumber(p.value(QStringLiteral("miss-pass")), 0, 999);
    if (!missedPass) {
        return QStringLiteral("--miss-pass: expected a whole number from 0 to 999");
    }
    o.missedPass = *missedPass;
    return std::nullopt;
}

Why readReports(const QCommandLineParser& p, CarSimOptions& o) {
    const auto intervalMs = wholeNumber(p.value(QStringLiteral("interval")), 1, 60'000);
    if (!intervalMs) {
        return QStringLiteral("--interval: expected milliseconds from 1 to 60000");
    }
    o.intervalMs = *intervalMs;
    if (o.intervalMs >= o.inRangeMs) {
        return QStringLiteral(
            "--interval must be shorter than --in-range, or a pass carries a single report");
    }
    const auto jitterMs = wholeNumber(p.value(QStringLiteral("jitter")), 0, 60'000);
    if (!jitterMs) {
        return QStringLiteral("--jitter: expected milliseconds from 0 to 60000");
    }
    o.jitterMs = *jitterMs;
    o.message = p.value(QStringLiteral("message"));
    o.records = p.isSet(QStringLiteral("records"));
    return std::nullopt;
}

Why readConsole(const QCommandLineParser& p, CarSimOptions& o) {
    const QString console = p.value(QStringLiteral("console"));
    if (!o.console.setAddress(console) || o.console.protocol() != QAbstractSocket::IPv4Protocol) {
        return u"--console: not an IPv4 address: " + console;
    }
    if (p.isSet(QStringLiteral("timeout"))) {
        const auto timeoutMs = secondsToMs(p.value(QStringLiteral("timeout")));
        if (!timeoutMs || *timeoutMs < 1) {
            return QStringLiteral("--timeout: expected a number of seconds above 0");
        }
        o.timeoutMs = *timeoutMs;
    }
    o.check = p.isSet(QStringLiteral("check"));
    o.ownAddress = p.value(QStringLiteral("address"));
    return std::nullopt;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    for (const OptionText& text : kOptions) {
        parser.addOption(option(text));
    }
    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.help = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = u"unexpected argument: " + parser.positionalArguments().constFirst();
        return result;
    }
    CarSimOptions options;
    for (const auto read : {readLaps, readStops, readReports, readConsole}) {
        if (const Why why = read(parser, options)) {
            result.error = *why;
            return result;
        }
    }
    result.options = options;
    return result;
}

}  // namespace kaltero::carsim
