// Report -> reply round trip through the running console with its race published to a broker
// (a Mosquitto of its own on 127.0.0.1) against the same console not publishing, measured in
// one run: first without, then with publishing, each against the plain echo.
//
//   bench_relay_round_trip [pairs]      (default 3000 pairs after 300 to warm up)

#include "common/broker.h"
#include "echo_pairs.h"
#include "relay/relay_service.h"

#include <QApplication>

using kaltero::testing::LiveConsole;
namespace relay = kaltero::relay;

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int pairs = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 3000;
    QTextStream out(stdout);

    kaltero::testing::TestBroker broker;
    LiveConsole live(10);
    if (!broker.ready() || !live.ready()) {
        out << "the broker or the console window did not start" << Qt::endl;
        return 1;
    }
    live.registerSlots({0, 1});
    live.pressStart();

    out << "publishing off:\n";
    const kaltero::bench::EchoPairs off = kaltero::bench::measureEchoPairs(pairs);
    if (!kaltero::bench::printEchoPairs(out, off, 1.2)) {
        return 1;
    }

    kaltero::core::Settings settings = live.console.settings;
    settings.relay.host = QStringLiteral("127.0.0.1");
    settings.relay.port = broker.port();
    settings.relay.consoleName = QStringLiteral("bench");
    kaltero::live::RaceFeed feed(live.model, settings, [] { return kaltero::live::RaceMoment{}; });
    relay::RelayService publishing(feed, settings,
                                   QDir(live.dir.path()).filePath(QStringLiteral("Kaltero.db")));
    kaltero::testing::runUntil([&] { return publishing.state().connected; }, 10'000);
    if (!publishing.state().connected) {
        out << "the console did not reach the broker" << Qt::endl;
        return 1;
    }
    out << "publishing on:\n";
    const kaltero::bench::EchoPairs on = kaltero::bench::measureEchoPairs(pairs);
    if (!kaltero::bench::printEchoPairs(out, on, 1.2)) {
        return 1;
    }
    const auto ratio = [&](double fraction) {
        return double(kaltero::bench::percentile(on.consoleNs, fraction)) /
               double(kaltero::bench::percentile(off.consoleNs, fraction));
    };
    out << QStringLiteral("publishing on / off: median %1x  p99 %2x (aim <= 1.10x)\n")
               .arg(ratio(0.5), 0, 'f', 2)
               .arg(ratio(0.99), 0, 'f', 2);
    out.flush();
    return 0;
}
