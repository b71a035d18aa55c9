#pragma once

#include <QtGlobal>

namespace kaltero::core {

// The car link's ports, fixed by the car PCs.
// Address check: requests arrive on 7001, answers go to the car PC's 7002.
inline constexpr quint16 kCheckConsolePort = 7001;
inline constexpr quint16 kCheckCarPort = 7002;

// Car slot s (car k = s + 1) reports to the console's 70k1 and is answered on its 70k2.
//   consolePort(0) -> 7011, carPort(4) -> 7052
constexpr quint16 consolePort(int slot) {
    return static_cast<quint16>(7011 + 10 * slot);
}
constexpr quint16 carPort(int slot) {
    return static_cast<quint16>(7012 + 10 * slot);
}

}  // namespace kaltero::core
