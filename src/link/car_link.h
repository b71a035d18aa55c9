#pragma once

#include <QString>

namespace kaltero::core {
struct Console;
}

namespace kaltero::link {

// The car link: every report of a car is answered at once, and the first report after a
// silence closes and times the lap. Also the address check for car PCs while idle.
class CarLink {
public:
    explicit CarLink(core::Console& console);

    void Winsock_DataArrival(int slot, const QString& RcvData);
    void WinsockChker_DataArrival(const QString& request);

    // Recomputes a car's figures and labels from its lap grid.
    void UpdateLapStats(int slot);
    // Ranks the cars taking part on the standings board.
    void UpdateStandings();

private:
    void recordLap(int slot);

    core::Console& c_;
};

}  // namespace kaltero::link
